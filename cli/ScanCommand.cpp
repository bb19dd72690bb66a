// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/ScanCommand.h"

#include "Version.h"

#include "cli/MessageText.h"
#include "cli/PathStream.h"
#include "cli/RemoveListed.h"
#include "cli/ScanArguments.h"
#include "config/ColumnCheck.h"
#include "config/ConfigStore.h"
#include "export/ExportFormats.h"
#include "fs/OwnedFd.h"
#include "rows/GridRows.h"
#include "rows/RowSort.h"
#include "scan/DeleteJournal.h"
#include "scan/EmptiedFolders.h"
#include "scan/FileActions.h"
#include "scan/FilesFrom.h"
#include "scan/FolderArgument.h"
#include "scan/ResultRow.h"
#include "scan/Scan.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace nullsweep {

namespace {

// Empty when `folder` can be scanned, else the reason.
std::string folderProblem(const std::string& folder) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0) return std::strerror(errno);
    if (!S_ISDIR(st.st_mode)) return "not a folder";
    const OwnedFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.valid()) return std::strerror(errno);
    // The walk passes over such a folder, which would list nothing without a word.
    struct statfs fs {};
    const bool pseudo = ::fstatfs(fd.get(), &fs) == 0 && IsPseudoFileSystem(fs.f_type);
    return pseudo ? "on a pseudo file system, not scanned" : "";
}

class ProgressLine {
  public:
    ProgressLine(std::FILE* err, bool enabled) : err_(err), enabled_(enabled) {}
    void show(const ScanProgress& p) {
        if (!enabled_) return;
        std::fprintf(err_, "\r\033[K%llu folders, %llu entries, %llu empty files, %u thread%s",
                     (unsigned long long)p.folders, (unsigned long long)p.files,
                     (unsigned long long)p.rows, p.threads, p.threads == 1 ? "" : "s");
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

// Walks the folders through `scanFolders` writing each path as it is found; the rows stay in
// `grid` only when they are to be deleted. A walk that stops early still has its paths written
// (`stopped` then gets the exception); false when not every row reached the grid.
bool streamPaths(const ScanArguments& args, std::FILE* out,
                 const std::function<void(const RowSink&)>& scanFolders, TVirtualStringTree& grid,
                 std::exception_ptr& stopped) {
    std::vector<TResultRow> listed;
    const bool keep = args.deleteListed || args.trashListed;
    auto write = [&](ByteSink& sink, std::function<void()> push) {
        PathStream paths(sink, args.nullTerminated, std::move(push));
        try {
            scanFolders([&](TResultRow&& row) {
                paths.Add(row.Path());
                if (keep) listed.push_back(std::move(row));
            });
        } catch (const ExportError&) {
            throw;
        } catch (...) {
            stopped = std::current_exception();
        }
        paths.Flush();
    };
    if (args.output.empty()) {
        StreamSink sink(out, "standard output");
        write(sink, [&] { sink.Finish(); });
    } else {
        ReplaceFile(args.output, [&](ByteSink& sink) { write(sink, {}); });
    }
    return AddScannedRows(grid, std::move(listed));
}

// The reason a walk stopped early, for its one line.
std::string stopReason(const std::exception_ptr& stopped) {
    try {
        std::rethrow_exception(stopped);
    } catch (const WalkStopped& e) {
        return e.what();
    } catch (const std::bad_alloc&) {
        return std::string("the walk stopped early: ") + std::strerror(ENOMEM);
    } catch (const std::exception& e) {
        return std::string("the walk stopped early: ") + e.what();
    } catch (...) {
        return "the walk stopped early";
    }
}

// What the steps of one run share.
struct ScanRun {
    ScanRun(const ScanArguments& arguments, const ExportFormat& format, std::FILE* out,
            std::FILE* err)
        : args(arguments), format(format), out(out), err(err),
          streamed(arguments.sortField == "none" && format.name == "paths" &&
                   arguments.filesFrom.empty()),
          progress(err, !arguments.quiet && ::isatty(::fileno(err)) &&
                            !(streamed && arguments.output.empty() && ::isatty(::fileno(out)))),
          kept(arguments.keepPatterns),
          nothingRemoved(arguments.deleteListed || arguments.trashListed ? "; nothing deleted"
                                                                         : "") {}

    const ScanArguments& args;
    const ExportFormat& format;
    std::FILE* out;
    std::FILE* err;
    // Paths in walk order are written as they are found; a progress line would come between
    // them on a terminal.
    const bool streamed;
    int status = 0;
    // Deletes act only on a whole list: a walk or list that stopped early acts on nothing.
    bool complete = true;
    TVirtualStringTree grid;
    ProgressLine progress;
    ScanOptions options;
    KeptFiles kept;
    std::exception_ptr stopped;
    const char* nothingRemoved;
};

// Loaded as the window loads it, so a bad file is refused before any work is done.
bool loadConfiguration(const ScanArguments& args, std::FILE* err) {
    try {
        UseConfigFile(args.configFile);
        const TConfig* config = ConfigStore(false);
        if (!config->Notice().empty())
            std::fprintf(err, "nullsweep scan: %s\n", EscapeControls(config->Notice()).c_str());
        CheckColumnEntries(config->Root(), TConfig::ConfigFileName());
        return true;
    } catch (const std::exception& e) {
        std::fprintf(err, "nullsweep scan: %s\n", EscapeControls(e.what()).c_str());
        return false;
    }
}

void setUpWalk(ScanRun& run) {
    ScanOptions& options = run.options;
    options.onProgress = [&run](const ScanProgress& p) { run.progress.show(p); };
    options.threads = run.args.threads;
    options.oneFileSystem = run.args.oneFileSystem;
    options.excludes = run.args.excludes;
    options.onError = [&run](const std::string& path, int error) {
        run.progress.clear();
        std::fprintf(run.err, "nullsweep: cannot read %s: %s\n", EscapeControls(path).c_str(),
                     std::strerror(error));
        run.status = 1;
    };
    run.kept.SetWarning([&run](const std::string& line) {
        run.progress.clear();
        std::fprintf(run.err, "nullsweep: warning: %s\n", line.c_str());
    });
    options.kept = &run.kept;
}

// The files of --files-from into the grid.
void readList(ScanRun& run) {
    const ScanArguments& args = run.args;
    const bool standardInput = args.filesFrom == "-";
    std::FILE* list = standardInput ? stdin : std::fopen(args.filesFrom.c_str(), "re");
    std::vector<TResultRow> rows;
    const int error = list ? ScanFileList(list, args.filesFromNulEnded, run.options,
                                          [&](TResultRow&& row) { rows.push_back(std::move(row)); })
                           : errno;
    const int added = AddScannedRows(run.grid, std::move(rows)) ? 0 : ENOMEM;
    if (list && !standardInput) std::fclose(list);
    if (error != 0 || added != 0) {
        run.progress.clear();
        std::fprintf(run.err, "nullsweep: cannot read %s: %s%s\n",
                     standardInput ? "standard input" : EscapeControls(args.filesFrom).c_str(),
                     std::strerror(error ? error : added), run.nothingRemoved);
        run.status = 1;
        run.complete = false;
    }
}

// Each FOLDER in turn into the grid, or to `onRow` as found.
void walkFolders(ScanRun& run, const RowSink& onRow) {
    for (const std::string& given : run.args.folders) {
        const AbsolutePathOf absolute = AbsolutePath(given);
        const std::string& folder = absolute.path;
        const std::string problem =
            absolute.error ? std::strerror(absolute.error) : folderProblem(folder);
        if (!problem.empty()) {
            run.progress.clear();
            std::fprintf(run.err, "nullsweep scan: %s: %s\n", EscapeControls(given).c_str(),
                         problem.c_str());
            run.status = 1;
            continue;
        }
        if (onRow)
            WalkFolder(folder, run.options, onRow);
        else
            ScanFolder(run.grid, folder, run.options);
    }
    run.progress.clear();
}

// Said once the list is written, so that a stop of a streamed walk is said the same way.
void sayStopped(ScanRun& run) {
    if (!run.stopped) return;
    run.progress.clear();
    std::fprintf(run.err, "nullsweep scan: %s%s\n", EscapeControls(stopReason(run.stopped)).c_str(),
                 run.nothingRemoved);
    run.status = 1;
    run.complete = false;
}

// Sorted once, as a click on a column of that field orders the grid; no header column.
void sortRows(ScanRun& run) {
    if (run.args.sortField != "none")
        SortRows(run.grid, -1, FieldIndexOf(run.args.sortField),
                 run.args.descending ? sdDescending : sdAscending);
}

// Writes the list in the chosen format; false (said) when the output failed.
bool writeList(ScanRun& run) {
    const ScanArguments& args = run.args;
    const ExportFormat& format = run.format;
    XMLDocument document;
    TFileInfo info(&document);
    PrepareExport(format, info, ExportRowsOf(run.grid));
    ExportJob job{info, ExportRowsOf(run.grid), "", args.nullTerminated};
    try {
        if (run.streamed) {
            const auto scanFolders = [&run](const RowSink& onRow) { walkFolders(run, onRow); };
            if (!streamPaths(args, run.out, scanFolders, run.grid, run.stopped) && !run.stopped)
                run.stopped = std::make_exception_ptr(std::bad_alloc());
        } else if (!args.output.empty()) {
            SaveExport(format, job, args.output);
        } else {
            StreamSink sink(run.out, "standard output");
            format.write(sink, job);
            sink.Finish();
        }
    } catch (const ExportError& e) {
        std::fprintf(run.err, "nullsweep scan: %s\n", EscapeControls(e.what()).c_str());
        return false;
    }
    return true;
}

// Deletes or trashes the listed files, then the folders that emptied where asked; false (said)
// when the journal a delete needs cannot be made, and nothing is deleted.
bool removeFiles(ScanRun& run) {
    const ScanArguments& args = run.args;
    std::FILE* err = run.err;
    std::unique_ptr<DeleteJournal> journal;
    if (args.deleteListed && args.journal) {
        try {
            journal = std::make_unique<DeleteJournal>(JournalFolder());
        } catch (const std::exception& e) {
            // Without its journal a delete could not be undone: nothing is deleted.
            std::fprintf(err,
                         "nullsweep scan: %s; nothing deleted (--no-journal deletes "
                         "without one)\n",
                         EscapeControls(e.what()).c_str());
            return false;
        }
    }
    TouchedFolders deletedIn;
    const RemoveCount count = RemoveListed(
        run.grid, args.trashListed ? RemoveMode::Trash : RemoveMode::Delete, args.includeKept,
        journal.get(), args.removeEmptiedFolders ? &deletedIn : nullptr, err);
    // Kept files are left by choice; a file that changed or failed is not done.
    if (count.changed + count.failed > 0) run.status = 1;
    if (!args.removeEmptiedFolders) return true;
    // A file list has no FOLDER: the folder of each of its files stands for one.
    std::vector<std::string> roots;
    if (!args.filesFrom.empty())
        for (const auto& [folder, times] : deletedIn)
            roots.push_back(folder);
    for (const std::string& folder : args.folders)
        if (char* real = ::realpath(folder.c_str(), nullptr)) {
            roots.emplace_back(real);
            std::free(real);
        }
    const std::size_t removed = RemoveEmptiedFolders(
        std::move(deletedIn), roots, journal.get(), [&](const std::string& path, int e) {
            std::fprintf(err, "nullsweep scan: cannot remove the folder %s: %s\n",
                         EscapeControls(path).c_str(), std::strerror(e));
            run.status = 1;
        });
    std::fprintf(err, "nullsweep scan: removed %zu emptied folder%s\n", removed,
                 removed == 1 ? "" : "s");
    return true;
}

} // namespace

int RunScanCommand(int argc, char** argv, std::FILE* out, std::FILE* err) {
    const ParseResult parsed = ParseScanArguments(argc, argv);
    if (!parsed.error.empty()) {
        std::fprintf(err, "nullsweep scan: %s (try 'nullsweep scan --help')\n",
                     EscapeControls(parsed.error).c_str());
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
    if (!loadConfiguration(args, err)) return 2;

    const ExportFormat& format = *FindExportFormat(args.format);
    ScanRun run(args, format, out, err);
    setUpWalk(run);
    if (!args.filesFrom.empty()) readList(run);
    if (!run.streamed) {
        try {
            walkFolders(run, {});
        } catch (...) {
            run.stopped = std::current_exception();
        }
    }
    sortRows(run);
    if (!writeList(run)) return 1; // nothing is deleted that the user could not see listed
    sayStopped(run);
    if ((args.deleteListed || args.trashListed) && run.complete && !removeFiles(run)) return 1;
    return run.status;
}

} // namespace nullsweep
