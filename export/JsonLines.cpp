// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/JsonLines.h"

#include "export/ExportRows.h"
#include "scan/FileRow.h"
#include "scan/JsonText.h"
#include "scan/KeptFiles.h"

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <ctime>

namespace nullsweep {

namespace {

// ISO 8601 has four-digit years: a time outside the years 0001 to 9999 (also one whose text
// shows only the nearest time, `row` knows) is null.
void appendTime(std::string& out, const TResultRow& row, TField field,
                const std::function<std::optional<std::int64_t>(std::string_view)>& seconds) {
    const std::string_view text = row.Field(field);
    const std::optional<std::int64_t> value =
        text.empty() || RealTimeOf(row, field) ? std::nullopt : seconds(text);
    std::tm utc{};
    const std::time_t t = value ? std::time_t(*value) : 0;
    if (!value || !::gmtime_r(&t, &utc) || utc.tm_year < 1 - 1900 || utc.tm_year > 9999 - 1900) {
        out += "null";
        return;
    }
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "\"%04d-%02d-%02dT%02d:%02d:%02dZ\"", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec);
    out += buffer;
}

void appendNumber(std::string& out, std::string_view text) {
    const bool digits =
        !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
    out += digits ? text : "null";
}

} // namespace

void WriteJsonLines(
    TByteSink& sink, const TExportRows& rows,
    const std::function<std::optional<std::int64_t>(std::string_view)>& timeSeconds) {
    TOutBuffer out(sink);
    rows([&](const TResultRow& row, unsigned) {
        std::string& line = out.Text();
        const std::string_view path = row.Field(TField::FullPath);
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
        appendNumber(line, row.Field(TField::FileSize));
        line += ",\"created\":";
        appendTime(line, row, TField::CreateTime, timeSeconds);
        line += ",\"accessed\":";
        appendTime(line, row, TField::AccessTime, timeSeconds);
        line += ",\"written\":";
        appendTime(line, row, TField::WriteTime, timeSeconds);
        line += ",\"kept\":";
        const std::string_view kept = row.Slot(KeptSlot);
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
