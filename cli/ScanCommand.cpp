// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/ScanCommand.h"

#include "cli/PathStream.h"
#include "cli/RemoveListed.h"
#include "cli/ScanArguments.h"
#include "config/ColumnCheck.h"
#include "config/ConfigStore.h"
#include "export/DelimitedText.h"
#include "export/ExportFile.h"
#include "export/FileInfo.h"
#include "export/HtmlPage.h"
#include "grid/GridRows.h"
#include "grid/RowSort.h"
#include "scan/FileActions.h"
#include "scan/ResultRow.h"
#include "scan/Scan.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace nullsweep {

namespace {

// A FOLDER as an absolute path, with "." and ".." taken lexically as a shell would; empty
// with `problem` set when it cannot be made into one ("", or the current folder is gone).
std::string absoluteFolder(const std::string& folder, std::string& problem) {
    if (folder.empty()) {
        problem = std::strerror(ENOENT);
        return {};
    }
    if (folder.starts_with('/')) return folder;
    std::error_code error;
    const auto path = std::filesystem::absolute(folder, error);
    if (error) {
        problem = error.message();
        return {};
    }
    return path.lexically_normal().string();
}

// Empty when `folder` can be scanned, else the reason.
std::string folderProblem(const std::string& folder) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0) return std::strerror(errno);
    if (!S_ISDIR(st.st_mode)) return "not a folder";
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return std::strerror(errno);
    ::closedir(dir);
    return {};
}

class ProgressLine {
  public:
    ProgressLine(std::FILE* err, bool enabled) : err_(err), enabled_(enabled) {}
    void show(const ScanProgress& p) {
        if (!enabled_) return;
        std::fprintf(err_, "\r\033[K%llu folders, %llu entries, %llu empty files",
                     (unsigned long long)p.folders, (unsigned long long)p.files,
                     (unsigned long long)p.rows);
        std::fflush(err_);
        shown_ = true;
    }
    void clear() {
        if (shown_) std::fputs("\r\033[K", err_);
        shown_ = false;
    }

  private:
    std::FILE* err_;
    bool enabled_;
    bool shown_ = false;
};

void writePaths(TByteSink& sink, const TVirtualStringTree& grid, bool nullTerminated) {
    const char end = nullTerminated ? '\0' : '\n';
    TOutBuffer out(sink);
    for (PVirtualNode node = grid.GetFirst(); node; node = grid.GetNext(node)) {
        out << RowOf(node).Field(TField::FullPath);
        out.Text() += end;
        out.Commit();
    }
    out.Flush();
}

// Walks the folders through `scanFolders` writing each path as it is found; the rows stay in
// `grid` only when they are to be deleted.
void streamPaths(const ScanArguments& args, std::FILE* out,
                 const std::function<void(const RowSink&)>& scanFolders, TVirtualStringTree& grid) {
    std::vector<TResultRow> listed;
    const bool keep = args.deleteListed || args.trashListed;
    auto write = [&](TByteSink& sink, std::function<void()> push) {
        TPathStream paths(sink, args.nullTerminated, std::move(push));
        scanFolders([&](TResultRow&& row) {
            paths.Add(row.Field(TField::FullPath));
            if (keep) listed.push_back(std::move(row));
        });
        paths.Flush();
    };
    if (args.output.empty()) {
        TStreamSink sink(out, "standard output");
        write(sink, [&] { sink.Finish(); });
    } else {
        ReplaceFile(args.output, [&](TByteSink& sink) { write(sink, {}); });
    }
    AddScannedRows(grid, std::move(listed));
}

// The columns the window would export: the configuration's visible column names, as stored.
TExportColumns exportColumns() {
    TExportColumns columns;
    const TXMLNodesType nodes = ConfigStore(false)->Root().nodes();
    for (int i = 0; i < nodes.Count(); ++i)
        if (nodes.Item(i).Visible()) columns.push_back(nodes.Item(i).Name());
    return columns;
}

// Writes the list in the chosen format (for XML, the document `info` has gathered); `title` is
// the HTML page's title.
void writeList(TByteSink& sink, const ScanArguments& args, const TVirtualStringTree& grid,
               const TFileInfo& info, const std::string& title) {
    if (args.format == "text")
        WriteDelimited(sink, grid, info.Columns, {TextSeparator, false, true});
    else if (args.format == "csv")
        WriteDelimited(sink, grid, info.Columns, {CsvSeparator, true, true});
    else if (args.format == "html")
        WriteHTML(sink, grid, info.Columns, title);
    else if (args.format == "xml")
        info.WriteDocument(sink);
    else
        writePaths(sink, grid, args.nullTerminated);
}

} // namespace

int RunScanCommand(int argc, char** argv, std::FILE* out, std::FILE* err) {
    const ParseResult parsed = ParseScanArguments(argc, argv);
    if (!parsed.error.empty()) {
        std::fprintf(err, "nullsweep scan: %s (try 'nullsweep scan --help')\n",
                     parsed.error.c_str());
        return 2;
    }
    const ScanArguments& args = parsed.arguments;
    if (args.help) {
        std::fputs(ScanUsage().c_str(), out);
        return 0;
    }
    if (args.version) {
        std::fputs("nullsweep " NULLSWEEP_VERSION "\n", out);
        return 0;
    }

    // Loaded as the window loads it, so a bad file is refused before any work is done.
    try {
        UseConfigFile(args.configFile);
        const TConfig* config = ConfigStore(false);
        CheckColumnEntries(config->Root(), TConfig::ConfigFileName());
    } catch (const std::exception& e) {
        std::fprintf(err, "nullsweep scan: %s\n", e.what());
        return 2;
    }

    int status = 0;
    TVirtualStringTree grid;
    // Paths in walk order are written as they are found; a progress line would come between
    // them on a terminal.
    const bool streamed = args.sortField == "none" && args.format == "paths";
    ProgressLine progress(err, !args.quiet && ::isatty(::fileno(err)) &&
                                   !(streamed && args.output.empty() && ::isatty(::fileno(out))));
    ScanOptions options;
    options.onProgress = [&](const ScanProgress& p) { progress.show(p); };
    options.oneFileSystem = args.oneFileSystem;
    options.threads = args.threads;
    options.excludes = args.excludes;
    options.onError = [&](const std::string& path, int error) {
        progress.clear();
        std::fprintf(err, "nullsweep: cannot read %s: %s\n", path.c_str(), std::strerror(error));
        status = 1;
    };
    TKeptFiles kept(args.keepPatterns);
    options.kept = &kept;
    // Each FOLDER in turn into the grid, or to `onRow` as found.
    auto scanFolders = [&](const RowSink& onRow) {
        for (const std::string& given : args.folders) {
            std::string problem;
            const std::string folder = absoluteFolder(given, problem);
            if (problem.empty()) problem = folderProblem(folder);
            if (!problem.empty()) {
                progress.clear();
                std::fprintf(err, "nullsweep scan: %s: %s\n", given.c_str(), problem.c_str());
                status = 1;
                continue;
            }
            if (onRow)
                WalkFolder(folder, options, onRow);
            else
                ScanFolder(grid, folder, options);
        }
        progress.clear();
    };
    if (!streamed) scanFolders({});
    // Sorted once, as a click on a column of that field orders the grid; no header column.
    if (args.sortField != "none")
        SortRows(grid, -1, FieldIndexOf(args.sortField),
                 args.descending ? sdDescending : sdAscending);

    TXMLDocument document;
    TFileInfo info(&document);
    info.Columns = exportColumns();
    if (args.format == "xml" || args.format == "xlsx") {
        info.InitDocument();
        info.GatherInfo(grid);
    }
    try {
        if (args.format == "xlsx") {
            info.SaveSpreadsheet(args.output);
        } else if (streamed) {
            streamPaths(args, out, scanFolders, grid);
        } else if (args.output.empty()) {
            TStreamSink sink(out, "standard output");
            writeList(sink, args, grid, info, "");
            sink.Finish();
        } else {
            ReplaceFile(args.output, [&](TByteSink& sink) {
                writeList(sink, args, grid, info, TitleFromPath(args.output));
            });
        }
    } catch (const TExportError& e) {
        std::fprintf(err, "nullsweep scan: %s\n", e.what());
        return 1; // nothing is deleted that the user could not see listed
    }
    if ((args.deleteListed || args.trashListed) &&
        RemoveListed(grid, args.trashListed ? TRemoveMode::Trash : TRemoveMode::Delete,
                     args.includeKept, err)
            .failed)
        status = 1;
    return status;
}

} // namespace nullsweep
