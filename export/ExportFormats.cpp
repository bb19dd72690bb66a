// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/ExportFormats.h"

#include "export/DelimitedText.h"
#include "export/HtmlPage.h"
#include "export/JsonLines.h"
#include "export/SpreadsheetExport.h"

#include <array>

namespace nullsweep {

namespace {

void writePaths(ByteSink& sink, const ExportJob& job) {
    const char end = job.nullTerminated ? '\0' : '\n';
    OutBuffer out(sink);
    job.rows([&](const TResultRow& row, unsigned) {
        out << row.Path();
        out.Text() += end;
        out.Commit();
    });
    out.Flush();
}

void writeText(ByteSink& sink, const ExportJob& job) {
    WriteDelimited(sink, job.rows, job.info.Columns, {TextSeparator, false, true});
}
void writeCsv(ByteSink& sink, const ExportJob& job) {
    WriteDelimited(sink, job.rows, job.info.Columns, {CsvSeparator, true, true});
}
void writeHtml(ByteSink& sink, const ExportJob& job) {
    WriteHTML(sink, job.rows, job.info.Columns, job.title);
}
void writeXml(ByteSink& sink, const ExportJob& job) {
    job.info.WriteDocument(sink);
}
void writeJson(ByteSink& sink, const ExportJob& job) {
    WriteJsonLines(sink, job.rows);
}

void saveXlsx(TFileInfo& info, const std::string& path) {
    info.SaveSpreadsheet(path);
}

bool windowText(TFileInfo& info, const ExportRows& rows) {
    return info.ExportToText("", std::string(TextSeparator), rows);
}
bool windowCsv(TFileInfo& info, const ExportRows& rows) {
    return info.ExportToCSV("", std::string(CsvSeparator), rows);
}
bool windowHtml(TFileInfo& info, const ExportRows& rows) {
    return info.ExportToHTML("", rows);
}
bool windowXml(TFileInfo& info, const ExportRows&) {
    return info.ExportToXML("");
}
bool windowXlsx(TFileInfo& info, const ExportRows&) {
    return info.ExportToExcel("");
}

constexpr std::array<ExportFormat, 7> Formats{{
    {"paths", {}, false, writePaths, nullptr, nullptr},
    {"text", TextFileType, false, writeText, nullptr, windowText},
    {"csv", CsvFileType, false, writeCsv, nullptr, windowCsv},
    {"html", HtmlFileType, false, writeHtml, nullptr, windowHtml},
    {"xml", XmlFileType, true, writeXml, nullptr, windowXml},
    {"xlsx", SpreadsheetFileType, true, nullptr, saveXlsx, windowXlsx},
    {"json", {}, false, writeJson, nullptr, nullptr},
}};

} // namespace

std::span<const ExportFormat> ExportFormats() {
    return Formats;
}

const ExportFormat* FindExportFormat(std::string_view name) {
    for (const ExportFormat& format : Formats)
        if (format.name == name) return &format;
    return nullptr;
}

void SaveExport(const ExportFormat& format, ExportJob job, const std::string& path) {
    if (format.saveFile) return format.saveFile(job.info, path);
    job.title = TitleFromPath(path);
    ReplaceFile(path, [&](ByteSink& sink) { format.write(sink, job); });
}

void PrepareExport(const ExportFormat& format, TFileInfo& info, const ExportRows& rows) {
    FillExportColumns(info.Columns);
    if (!format.gathersDocument) return;
    info.InitDocument();
    info.GatherInfo(rows);
}

std::string ExportFormatNames() {
    std::string names;
    for (const ExportFormat& format : Formats)
        names += (names.empty() ? "" : ", ") + std::string(format.name);
    return names;
}

} // namespace nullsweep
