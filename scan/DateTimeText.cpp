// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan/DateTimeText.h"

#include <QDateTime>
#include <QRegularExpression>

#include <stdexcept>

namespace nullsweep {

namespace {

// Applies `edit` to the parts of a Qt format outside quoted literals.
template <typename Edit> QString editUnquoted(const QString& format, Edit&& edit) {
    QString out;
    QString run;
    bool quoted = false;
    for (QChar c : format) {
        if (c == u'\'') {
            if (!quoted) {
                out += edit(run);
                run.clear();
            }
            quoted = !quoted;
            out += c;
        } else if (quoted) {
            out += c;
        } else {
            run += c;
        }
    }
    out += edit(run);
    return out;
}

std::string utf8(const QString& s) {
    return s.toStdString();
}

} // namespace

QString DateTimeText::ShortDateFormat(const QLocale& locale) {
    // Any run of y that is not already four long becomes yyyy.
    static const QRegularExpression years(QStringLiteral("y+"));
    return editUnquoted(locale.dateFormat(QLocale::ShortFormat),
                        [](QString part) { return part.replace(years, QStringLiteral("yyyy")); });
}

QString DateTimeText::LongTimeFormat(const QLocale& locale) {
    static const QRegularExpression zone(QStringLiteral("\\s*t+\\s*"));
    QString format = editUnquoted(locale.timeFormat(QLocale::LongFormat), [](QString part) {
        return part.replace(zone, QStringLiteral(" "));
    });
    return format.trimmed();
}

DateTimeText::DateTimeText(const QLocale& locale)
    : locale_(locale), dateFormat_(ShortDateFormat(locale)), timeFormat_(LongTimeFormat(locale)),
      timePieces_(compileTime(timeFormat_)) {}

const DateTimeText& DateTimeText::System() {
    static const DateTimeText system(QLocale::system());
    return system;
}

std::optional<std::vector<DateTimeText::Piece>>
DateTimeText::compileTime(const QString& format) const {
    if (locale_.zeroDigit() != QStringLiteral("0")) return std::nullopt;
    const bool twelveHour = format.contains(QStringLiteral("AP"), Qt::CaseInsensitive) ||
                            format.contains(u'A') || format.contains(u'a');
    std::vector<Piece> pieces;
    auto literal = [&](const QString& text) {
        if (text.isEmpty()) return;
        if (!pieces.empty() && pieces.back().kind == Piece::Literal)
            pieces.back().text += utf8(text);
        else
            pieces.push_back({Piece::Literal, 0, utf8(text), {}});
    };
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format[i];
        if (c == u'\'') {
            const qsizetype end = format.indexOf(u'\'', i + 1);
            if (end < 0) return std::nullopt;
            literal(end == i + 1 ? QStringLiteral("'") : format.mid(i + 1, end - i - 1));
            i = end + 1;
            continue;
        }
        qsizetype run = 1;
        while (i + run < format.size() && format[i + run] == c)
            ++run;
        if (c == u'A' || c == u'a') {
            const bool pair =
                i + 1 < format.size() && (format[i + 1] == u'P' || format[i + 1] == u'p');
            if (pair && format[i + 1].isUpper() != c.isUpper()) return std::nullopt;
            const bool upper = c.isUpper();
            const QString am = upper ? locale_.amText().toUpper() : locale_.amText().toLower();
            const QString pm = upper ? locale_.pmText().toUpper() : locale_.pmText().toLower();
            pieces.push_back({Piece::AmPm, 0, utf8(am), utf8(pm)});
            i += pair ? 2 : 1;
            continue;
        }
        if (c == u'h' || c == u'H' || c == u'm' || c == u's') {
            if (run > 2) return std::nullopt;
            Piece::Kind kind = c == u'm'                   ? Piece::Minute
                               : c == u's'                 ? Piece::Second
                               : (c == u'h' && twelveHour) ? Piece::Hour12
                                                           : Piece::Hour24;
            pieces.push_back({kind, int(run), {}, {}});
            i += run;
            continue;
        }
        if (c.isLetter()) return std::nullopt; // a token the pieces do not know
        literal(QString(c));
        ++i;
    }
    return pieces;
}

std::string DateTimeText::dateText(const std::tm& t) const {
    const int key = (t.tm_year + 1900) * 512 + t.tm_mon * 32 + t.tm_mday;
    auto it = dates_.find(key);
    if (it != dates_.end()) return it->second;
    const QDate date(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday);
    if (!date.isValid()) throw std::runtime_error("date out of range");
    std::string text = utf8(locale_.toString(date, dateFormat_));
    if (dates_.size() > 20000) dates_.clear();
    dates_.emplace(key, text);
    return text;
}

std::string DateTimeText::timeText(const std::tm& t) const {
    if (!timePieces_)
        return utf8(locale_.toString(QTime(t.tm_hour, t.tm_min, t.tm_sec), timeFormat_));
    std::string out;
    auto number = [&](int value, int width) {
        if (width == 2 || value >= 10) out += char('0' + value / 10 % 10);
        out += char('0' + value % 10);
    };
    for (const Piece& p : *timePieces_) {
        switch (p.kind) {
        case Piece::Literal:
            out += p.text;
            break;
        case Piece::Hour24:
            number(t.tm_hour, p.width);
            break;
        case Piece::Hour12:
            number(t.tm_hour % 12 == 0 ? 12 : t.tm_hour % 12, p.width);
            break;
        case Piece::Minute:
            number(t.tm_min, p.width);
            break;
        case Piece::Second:
            number(t.tm_sec, p.width);
            break;
        case Piece::AmPm:
            out += t.tm_hour < 12 ? p.text : p.pm;
            break;
        }
    }
    return out;
}

std::string DateTimeText::Format(const std::tm& t) const {
    std::string text = dateText(t);
    if (t.tm_hour != 0 || t.tm_min != 0 || t.tm_sec != 0) {
        text += ' ';
        text += timeText(t);
    }
    return text;
}

std::string DateTimeText::FormatWithQt(const std::tm& t) const {
    const QDate date(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday);
    std::string text = utf8(locale_.toString(date, dateFormat_));
    if (t.tm_hour != 0 || t.tm_min != 0 || t.tm_sec != 0)
        text += ' ' + utf8(locale_.toString(QTime(t.tm_hour, t.tm_min, t.tm_sec), timeFormat_));
    return text;
}

std::optional<QDateTime> DateTimeText::Parse(const std::string& text) const {
    const QString s = QString::fromStdString(text);
    QDateTime value = locale_.toDateTime(s, dateFormat_ + u' ' + timeFormat_);
    if (value.isValid()) return value;
    const QDate date = locale_.toDate(s, dateFormat_);
    if (date.isValid()) return QDateTime(date, QTime(0, 0));
    return std::nullopt;
}

std::string FileTimeText(std::int64_t seconds, const DateTimeText& format) {
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm local{};
    if (!localtime_r(&t, &local)) throw std::runtime_error("time stamp out of range");
    return format.Format(local);
}

} // namespace nullsweep
