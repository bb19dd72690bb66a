// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/ExportFormats.h"

#include "export/DelimitedText.h"
#include "export/HtmlPage.h"
#include "export/JsonLines.h"
#include "export/SpreadsheetExport.h"

#include <array>

namespace nullsweep {

namespace {

void writePaths(TByteSink& sink, const TExportJob& job) {
    const char end = job.nullTerminated ? '\0' : '\n';
    TOutBuffer out(sink);
    job.rows([&](const TResultRow& row, unsigned) {
        out << row.Path();
        out.Text() += end;
        out.Commit();
    });
    out.Flush();
}

void writeText(TByteSink& sink, const TExportJob& job) {
    WriteDelimited(sink, job.rows, job.info.Columns, {TextSeparator, false, true});
}
void writeCsv(TByteSink& sink, const TExportJob& job) {
    WriteDelimited(sink, job.rows, job.info.Columns, {CsvSeparator, true, true});
}
void writeHtml(TByteSink& sink, const TExportJob& job) {
    WriteHTML(sink, job.rows, job.info.Columns, job.title);
}
void writeXml(TByteSink& sink, const TExportJob& job) {
    job.info.WriteDocument(sink);
}
void writeJson(TByteSink& sink, const TExportJob& job) {
    WriteJsonLines(sink, job.rows);
}

void saveXlsx(TFileInfo& info, const std::string& path) {
    info.SaveSpreadsheet(path);
}

bool windowText(TFileInfo& info, const TExportRows& rows) {
    return info.ExportToText("", std::string(TextSeparator), rows);
}
bool windowCsv(TFileInfo& info, const TExportRows& rows) {
    return info.ExportToCSV("", std::string(CsvSeparator), rows);
}
bool windowHtml(TFileInfo& info, const TExportRows& rows) {
    return info.ExportToHTML("", rows);
}
bool windowXml(TFileInfo& info, const TExportRows&) {
    return info.ExportToXML("");
}
bool windowXlsx(TFileInfo& info, const TExportRows&) {
    return info.ExportToExcel("");
}

constexpr std::array<TExportFormat, 7> Formats{{
    {"paths", {}, false, writePaths, nullptr, nullptr},
    {"text", TextFileType, false, writeText, nullptr, windowText},
    {"csv", CsvFileType, false, writeCsv, nullptr, windowCsv},
    {"html", HtmlFileType, false, writeHtml, nullptr, windowHtml},
    {"xml", XmlFileType, true, writeXml, nullptr, windowXml},
    {"xlsx", SpreadsheetFileType, true, nullptr, saveXlsx, windowXlsx},
    {"json", {}, false, writeJson, nullptr, nullptr},
}};

} // namespace

std::span<const TExportFormat> ExportFormats() {
    return Formats;
}

const TExportFormat* FindExportFormat(std::string_view name) {
    for (const TExportFormat& format : Formats)
        if (format.name == name) return &format;
    return nullptr;
}

void SaveExport(const TExportFormat& format, TExportJob job, const std::string& path) {
    if (format.saveFile) return format.saveFile(job.info, path);
    job.title = TitleFromPath(path);
    ReplaceFile(path, [&](TByteSink& sink) { format.write(sink, job); });
}

void PrepareExport(const TExportFormat& format, TFileInfo& info, const TExportRows& rows) {
    FillExportColumns(info.Columns);
    if (!format.gathersDocument) return;
    info.InitDocument();
    info.GatherInfo(rows);
}

std::string ExportFormatNames() {
    std::string names;
    for (const TExportFormat& format : Formats)
        names += (names.empty() ? "" : ", ") + std::string(format.name);
    return names;
}

} // namespace nullsweep
