// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "export/ExportOutput.h"
#include "export/ExportRows.h"
#include "scan/RowText.h"

#include <string>
#include <string_view>

namespace nullsweep {

inline constexpr std::string_view TextSeparator = "          "; // ten blanks
inline constexpr std::string_view CsvSeparator = ",";

// How the line-oriented formats write their values.
struct DelimitedFormat {
    std::string_view separator;
    // CSV: a value holding the separator, a double quote, CR or LF is enclosed in double
    // quotes with its inner quotes doubled; every other value goes out as it is.
    bool csvQuoting = false;
    // Files end each line with CR LF, and a line feed inside a plain text value becomes one too
    // (the file is the body split at line feeds). Without it lines end with LF alone.
    bool crlf = true;
};

// The header line: every name exactly as stored, each followed by the separator.
void AppendDelimitedHeader(std::string& out, const ExportColumns& columns,
                           const DelimitedFormat& format);
// One data line: the fields' texts joined by the separator, no separator at the end.
void AppendDelimitedLine(std::string& out, const TResultRow& row,
                         const std::vector<std::uint8_t>& fields, const DelimitedFormat& format,
                         RowText& texts);

// The header line and one data line per row in export order.
void WriteDelimited(ByteSink& sink, const ExportRows& rows, const ExportColumns& columns,
                    const DelimitedFormat& format);

} // namespace nullsweep
