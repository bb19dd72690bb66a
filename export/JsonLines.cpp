// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/JsonLines.h"

#include "export/ExportRows.h"
#include "scan/JsonText.h"

#include <QByteArray>
#include <QString>

#include <charconv>
#include <cstdio>
#include <ctime>

namespace nullsweep {

namespace {

// ISO 8601 has four-digit years: a time outside the years 0001 to 9999 is null.
void appendTime(std::string& out, const TResultRow& row, FileTime time) {
    std::tm utc{};
    const std::time_t t = std::time_t(time.seconds);
    if (row.Empty() || !::gmtime_r(&t, &utc) || utc.tm_year < 1 - 1900 ||
        utc.tm_year > 9999 - 1900) {
        out += "null";
        return;
    }
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "\"%04d-%02d-%02dT%02d:%02d:%02dZ\"", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec);
    out += buffer;
}

} // namespace

void WriteJsonLines(ByteSink& sink, const ExportRows& rows) {
    OutBuffer out(sink);
    rows([&](const TResultRow& row, unsigned) {
        std::string& line = out.Text();
        const std::string_view path = row.Path();
        bool valid = true;
        line += "{\"path\":";
        AppendJsonString(line, path, valid);
        if (!valid) {
            const QByteArray base64 = QByteArray(path.data(), qsizetype(path.size())).toBase64();
            line += ",\"path_b64\":\"";
            line.append(base64.constData(), std::size_t(base64.size()));
            line += '"';
        }
        line += ",\"size\":";
        if (row.Empty()) {
            line += "null";
        } else {
            char digits[24];
            line.append(digits, std::to_chars(digits, digits + sizeof digits, row.Size()).ptr);
        }
        line += ",\"created\":";
        appendTime(line, row, row.Created());
        line += ",\"accessed\":";
        appendTime(line, row, row.Accessed());
        line += ",\"written\":";
        appendTime(line, row, row.Written());
        line += ",\"kept\":";
        const std::string_view kept = row.KeptReason();
        if (kept.empty())
            line += "null";
        else
            AppendJsonString(line, kept, valid);
        line += "}\n";
        out.Commit();
    });
    out.Flush();
}

} // namespace nullsweep
