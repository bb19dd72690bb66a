// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/DateTimeText.h"

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
      timePieces_(CompileFormat(timeFormat_, locale_)) {}

const DateTimeText& DateTimeText::System() {
    static const DateTimeText system(QLocale::system());
    return system;
}

std::string DateTimeText::DateText(const std::tm& t) const {
    const std::lock_guard lock(mutex_);
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

void DateTimeText::AppendTimeText(const std::tm& t, std::string& out) const {
    if (!timePieces_) {
        const std::lock_guard lock(mutex_);
        out += utf8(locale_.toString(QTime(t.tm_hour, t.tm_min, t.tm_sec), timeFormat_));
        return;
    }
    auto number = [&](int value, int width) {
        char digits[12];
        int n = sizeof digits;
        do {
            digits[--n] = char('0' + value % 10);
            value /= 10;
        } while (n > 0 && (value > 0 || int(sizeof digits) - n < width));
        out.append(digits + n, sizeof digits - std::size_t(n));
    };
    for (const FormatPiece& p : *timePieces_) {
        switch (p.kind) {
        case FormatPiece::Literal:
            out += p.text;
            break;
        case FormatPiece::Day:
            number(t.tm_mday, p.width);
            break;
        case FormatPiece::Month:
            number(t.tm_mon + 1, p.width);
            break;
        case FormatPiece::MonthName:
            out += p.names.at(std::size_t(t.tm_mon));
            break;
        case FormatPiece::Year:
            number(t.tm_year + 1900, p.width);
            break;
        case FormatPiece::Hour24:
            number(t.tm_hour, p.width);
            break;
        case FormatPiece::Hour12:
            number(t.tm_hour % 12 == 0 ? 12 : t.tm_hour % 12, p.width);
            break;
        case FormatPiece::Minute:
            number(t.tm_min, p.width);
            break;
        case FormatPiece::Second:
            number(t.tm_sec, p.width);
            break;
        case FormatPiece::AmPm:
            out += t.tm_hour < 12 ? p.text : p.pm;
            break;
        }
    }
}

std::string DateTimeText::Format(const std::tm& t) const {
    std::string text = DateText(t);
    if (t.tm_hour != 0 || t.tm_min != 0 || t.tm_sec != 0) {
        text += ' ';
        AppendTimeText(t, text);
    }
    return text;
}

std::optional<QDateTime> DateTimeText::Parse(const std::string& text) const {
    const std::lock_guard lock(mutex_);
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
