// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "export/ExportFile.h"
#include "export/FileInfo.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace nullsweep {

// What a stream writer is given: the rows in export order, the export's column list and (for
// XML) its gathered document, the HTML page's title.
struct ExportJob {
    TFileInfo& info;
    ExportRows rows;
    std::string title;
    bool nullTerminated = false; // paths: end each path with NUL
};

// One kind of export: the window's pop-up menu and `nullsweep scan -f` both work from this
// table, so a format's name, file type and writer are written once.
struct ExportFormat {
    std::string_view name; // as `-f` takes it
    ExportFileType file;   // the save dialog's suffix and filter; empty: command line only
    bool gathersDocument;  // the rows go into the export document first (InitDocument, GatherInfo)
    // Writes the whole export to a stream; null for a writer that needs a file (xlsx).
    void (*write)(ByteSink& sink, const ExportJob& job);
    // Writes the whole export over `path` when the writer needs a file; else null.
    void (*saveFile)(TFileInfo& info, const std::string& path);
    // The window's command: asks for the file and writes it, true when written; null when the
    // window does not offer the format.
    bool (*windowExport)(TFileInfo& info, const ExportRows& rows);
};

// Every format, "paths" first.
std::span<const ExportFormat> ExportFormats();

// The format of that name, or null.
const ExportFormat* FindExportFormat(std::string_view name);

// What every export does before its writer runs: the columns from the configuration and, for a
// format that gathers, the export document from `rows`.
void PrepareExport(const ExportFormat& format, TFileInfo& info, const ExportRows& rows);

// Writes the export over `path` (an output target as ReplaceFile takes it), the title being
// taken from `path`. Throws ExportError when it cannot.
void SaveExport(const ExportFormat& format, ExportJob job, const std::string& path);

// Every name, as "paths, text, ...".
std::string ExportFormatNames();

} // namespace nullsweep
