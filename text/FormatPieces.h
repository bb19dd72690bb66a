// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocale>
#include <QString>

#include <optional>
#include <string>
#include <vector>

namespace nullsweep {

// One piece of a QLocale date or time format, with the locale's texts it needs, so that the
// texts of that format can be written and read without going through QLocale each time.
struct FormatPiece {
    enum Kind { Literal, Day, Month, MonthName, Year, Hour24, Hour12, Minute, Second, AmPm };
    Kind kind;
    int width = 0;                  // the token's length (d = 1, dd = 2, yyyy = 4, ...)
    std::string text;               // Literal: the text; AmPm: the AM text
    std::string pm;                 // AmPm: the PM text
    std::vector<std::string> names; // MonthName: January to December as the format writes them
};
using FormatPieces = std::vector<FormatPiece>;

// The pieces of `format` in `locale`; nothing when it holds a token the pieces do not cover
// (weekday names, time zones, ...) or the locale writes digits other than 0 to 9.
std::optional<FormatPieces> CompileFormat(const QString& format, const QLocale& locale);

} // namespace nullsweep
