// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/DateTextParser.h"

#include "text/NumberText.h"

#include <QDate>
#include <QDateTime>

namespace nullsweep {

namespace {

// QDate's Julian day of 1899-12-30, day 0 of the count.
constexpr qint64 DayZero = 2415019;

double daysOf(const QDate& date, int msecsOfDay) {
    return double(date.toJulianDay() - DayZero) + double(msecsOfDay) / 86400000.0;
}

} // namespace

DateTextParser::DateTextParser(const DateTimeText& times)
    : times_(times), date_(compile(times.DateFormat())), time_(compile(times.TimeFormat())) {}

std::optional<DateTextParser::Pieces> DateTextParser::compile(const QString& format) const {
    auto pieces = CompileFormat(format, times_.Locale());
    if (!pieces) return std::nullopt;
    // A field of one or two digits right before another number cannot be split without
    // guessing; leave such formats to QLocale.
    auto isNumber = [](const FormatPiece& p) {
        return p.kind != FormatPiece::Literal && p.kind != FormatPiece::AmPm &&
               p.kind != FormatPiece::MonthName;
    };
    for (std::size_t i = 1; i < pieces->size(); ++i) {
        const auto& before = (*pieces)[i - 1];
        if (isNumber(before) && before.width == 1 && isNumber((*pieces)[i])) return std::nullopt;
    }
    return pieces;
}

// Reads the canonical text of `pieces` at `at`: a field of width 2 or 4 has exactly that many
// digits, one of width 1 has one digit or two without a leading zero.
bool DateTextParser::read(const Pieces& pieces, std::string_view text, std::size_t& at,
                          Fields& f) const {
    for (const Piece& p : pieces) {
        if (p.kind == FormatPiece::Literal) {
            if (text.substr(at).substr(0, p.text.size()) != p.text) return false;
            at += p.text.size();
            continue;
        }
        if (p.kind == FormatPiece::MonthName) {
            // The longest name that matches, so that one name being a prefix of another
            // does no harm.
            const std::string_view rest = text.substr(at);
            std::size_t best = 0;
            for (std::size_t m = 0; m < p.names.size(); ++m)
                if (rest.starts_with(p.names[m]) && p.names[m].size() > best) {
                    best = p.names[m].size();
                    f.month = int(m) + 1;
                }
            if (best == 0) return false;
            at += best;
            continue;
        }
        if (p.kind == FormatPiece::AmPm) {
            const std::string_view rest = text.substr(at);
            // The longer text first, so that one being a prefix of the other does no harm.
            const bool amFirst = p.text.size() >= p.pm.size();
            const std::string& first = amFirst ? p.text : p.pm;
            const std::string& second = amFirst ? p.pm : p.text;
            if (rest.starts_with(first)) {
                f.pm = amFirst ? 0 : 1;
                at += first.size();
            } else if (rest.starts_with(second)) {
                f.pm = amFirst ? 1 : 0;
                at += second.size();
            } else {
                return false;
            }
            continue;
        }
        std::size_t count = 0;
        while (at + count < text.size() && IsAsciiDigit(text[at + count]) && count < 4)
            ++count;
        if (p.width == 1) {
            if (count == 0) return false;
            if (count >= 2 && text[at] != '0')
                count = 2;
            else
                count = 1;
            if (at + count < text.size() && IsAsciiDigit(text[at + count])) return false;
        } else {
            if (count < std::size_t(p.width)) return false;
            count = std::size_t(p.width);
            if (at + count < text.size() && IsAsciiDigit(text[at + count])) return false;
        }
        int value = 0;
        for (std::size_t k = 0; k < count; ++k)
            value = value * 10 + (text[at + k] - '0');
        at += count;
        switch (p.kind) {
        case FormatPiece::Day:
            f.day = value;
            break;
        case FormatPiece::Month:
            f.month = value;
            break;
        case FormatPiece::Year:
            f.year = value;
            break;
        case FormatPiece::Hour24:
            f.hour = value;
            break;
        case FormatPiece::Hour12:
            f.hour12 = value;
            break;
        case FormatPiece::Minute:
            f.minute = value;
            break;
        case FormatPiece::Second:
            f.second = value;
            break;
        case FormatPiece::Literal:
        case FormatPiece::MonthName:
        case FormatPiece::AmPm:
            break;
        }
    }
    return true;
}

std::optional<double> DateTextParser::fastDays(std::string_view text) const {
    Fields f;
    std::size_t at = 0;
    if (!read(*date_, text, at, f)) return std::nullopt;
    if (at != text.size()) {
        if (text[at] != ' ') return std::nullopt;
        ++at;
        if (!read(*time_, text, at, f) || at != text.size()) return std::nullopt;
        if (f.hour12 >= 0) {
            if (f.hour12 < 1 || f.hour12 > 12 || f.pm < 0) return std::nullopt;
            f.hour = f.hour12 % 12 + (f.pm == 1 ? 12 : 0);
        } else if (f.pm >= 0) {
            return std::nullopt; // an AM/PM text beside a 24-hour field: QLocale decides
        }
        if (f.hour > 23 || f.minute > 59 || f.second > 59) return std::nullopt;
    }
    if (f.year < 0 || f.month < 0 || f.day < 0) return std::nullopt;
    const QDate date(f.year, f.month, f.day);
    if (!date.isValid()) return std::nullopt;
    return daysOf(date, ((f.hour * 60 + f.minute) * 60 + f.second) * 1000);
}

std::optional<double> DateTextParser::Days(std::string_view text) const {
    if (HasFastPath())
        if (auto days = fastDays(text)) return days;
    return DaysWithQt(text);
}

std::optional<double> DateTextParser::DaysWithQt(std::string_view text) const {
    const auto value = times_.Parse(std::string(text));
    if (!value) return std::nullopt;
    return daysOf(value->date(), value->time().msecsSinceStartOfDay());
}

} // namespace nullsweep
