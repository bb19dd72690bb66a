// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/DelimitedText.h"

#include <cstring>

namespace nullsweep {

namespace {

bool needsQuotes(std::string_view value, std::string_view separator) {
    // One pass over the bytes: this runs for every value of a large export.
    const char first = separator.empty() ? '"' : separator[0];
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '"' || c == '\r' || c == '\n') return true;
        if (c == first && value.substr(i).starts_with(separator)) return true;
    }
    return false;
}

void appendValue(std::string& out, std::string_view value, const DelimitedFormat& format) {
    if (format.csvQuoting && needsQuotes(value, format.separator)) {
        // Line breaks stay as they are inside the quotes: they are part of the value.
        out += '"';
        for (char c : value) {
            if (c == '"') out += '"';
            out += c;
        }
        out += '"';
        return;
    }
    // An empty value may have no storage: memchr must not see its null pointer.
    if (!format.crlf || value.empty() || std::memchr(value.data(), '\n', value.size()) == nullptr) {
        out.append(value);
        return;
    }
    for (char c : value) {
        if (c == '\n') out += '\r';
        out += c;
    }
}

void appendLineEnd(std::string& out, const DelimitedFormat& format) {
    out.append(format.crlf ? "\r\n" : "\n");
}

} // namespace

void AppendDelimitedHeader(std::string& out, const ExportColumns& columns,
                           const DelimitedFormat& format) {
    for (const std::string& name : columns) {
        appendValue(out, name, format);
        out.append(format.separator);
    }
    appendLineEnd(out, format);
}

void AppendDelimitedLine(std::string& out, const TResultRow& row,
                         const std::vector<std::uint8_t>& fields, const DelimitedFormat& format,
                         RowText& texts) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) out.append(format.separator);
        appendValue(out, texts.Field(row, fields[i]), format);
    }
    appendLineEnd(out, format);
}

void WriteDelimited(ByteSink& sink, const ExportRows& rows, const ExportColumns& columns,
                    const DelimitedFormat& format) {
    const auto fields = ExportFields(columns);
    OutBuffer out(sink);
    AppendDelimitedHeader(out.Text(), columns, format);
    RowText texts;
    rows([&](const TResultRow& row, unsigned) {
        AppendDelimitedLine(out.Text(), row, fields, format, texts);
        out.Commit();
    });
    out.Flush();
}

} // namespace nullsweep
