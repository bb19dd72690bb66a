// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/ScanCommand.h"

#include "cli/ScanArguments.h"
#include "config/ColumnCheck.h"
#include "config/ConfigStore.h"
#include "scan/ResultRow.h"
#include "scan/Scan.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

namespace nullsweep {

namespace {

// A FOLDER as an absolute path, with "." and ".." taken lexically as a shell would.
std::string absoluteFolder(const std::string& folder) {
    if (folder.starts_with('/')) return folder;
    return std::filesystem::absolute(folder).lexically_normal().string();
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

bool writePaths(TVirtualStringTree& grid, std::FILE* out, bool nullTerminated) {
    const char end = nullTerminated ? '\0' : '\n';
    for (PVirtualNode node = grid.GetFirst(); node; node = grid.GetNext(node)) {
        const auto path = RowOf(node).Field(TField::FullPath);
        std::fwrite(path.data(), 1, path.size(), out);
        std::fputc(end, out);
    }
    return std::fflush(out) == 0 && !std::ferror(out);
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
    ProgressLine progress(err, !args.quiet && ::isatty(::fileno(err)));
    ScanOptions options;
    options.onProgress = [&](const ScanProgress& p) { progress.show(p); };
    for (const std::string& given : args.folders) {
        const std::string folder = absoluteFolder(given);
        const std::string problem = folderProblem(folder);
        if (!problem.empty()) {
            progress.clear();
            std::fprintf(err, "nullsweep scan: %s: %s\n", given.c_str(), problem.c_str());
            status = 1;
            continue;
        }
        ScanFolder(grid, folder, options);
    }
    progress.clear();

    static char buffer[1 << 16];
    std::setvbuf(out, buffer, _IOFBF, sizeof buffer);
    if (!writePaths(grid, out, args.nullTerminated)) {
        std::fprintf(err, "nullsweep scan: cannot write the list: %s\n", std::strerror(errno));
        return 1;
    }
    return status;
}

} // namespace nullsweep
