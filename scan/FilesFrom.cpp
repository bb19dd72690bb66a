// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan/FilesFrom.h"

#include "fs/OwnedFd.h"
#include "fs/PathParts.h"
#include "scan/ExactDelete.h"
#include "scan/FileRow.h"
#include "scan/FolderArgument.h"
#include "scan/ListedFolder.h"
#include "scan/ResultRow.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <functional>
#include <new>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

namespace nullsweep {

namespace {

// An open folder of the list and what its files share.
struct ListFolder {
    TOwnedFd fd;
    int error = 0; // of the open
    bool pseudo = false;
    std::uint64_t device = 0;
    std::optional<FileIdentity> root;
    std::uint64_t used = 0;
};

// What the files of one folder of a batch share for their rows, found for its first row.
struct FolderFacts {
    bool known = false;
    std::string resolved; // with no link in it, ending in "/"
    TKeptFiles::Folder kept;
};

// One line of the list, checked with the other lines of its folder.
struct ListLine {
    enum Kind : std::uint8_t { Pending, Nothing, Failed, File };
    std::string path;         // absolute, or as given when it names no path
    std::uint32_t folderSize; // the length of its folder part, "/" included
    Kind kind = Pending;
    int error = 0;
    TFileStatus status{};
    std::optional<FileIdentity> root;
    std::string given; // the line as read, when it is not the path itself (for --keep)
};

// How many folders stay open at once: as many as the walk holds, fewer under a low limit.
std::size_t openFolderLimit() {
    rlimit limit{};
    std::size_t cur = 1024;
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        cur = static_cast<std::size_t>(limit.rlim_cur);
    return std::clamp<std::size_t>(cur > 16 ? (cur - 16) / 4 : 1, 1, 64);
}

// Runs work(0) ... work(n - 1) on up to `threads` threads, this one included; a thread that
// cannot start leaves its share to the others.
void parallelFor(std::size_t n, unsigned threads, const std::function<void(std::size_t)>& work) {
    constexpr std::size_t Step = 256;
    std::atomic<std::size_t> next{0};
    auto run = [&] {
        for (std::size_t i; (i = next.fetch_add(Step)) < n;)
            for (std::size_t k = i; k < std::min(n, i + Step); ++k)
                work(k);
    };
    std::vector<std::thread> helpers;
    try {
        for (std::size_t t = 1; t < threads && t * Step < n; ++t)
            helpers.emplace_back(run);
    } catch (...) {
    }
    run();
    for (std::thread& helper : helpers)
        helper.join();
}

// Lines are checked a batch at a time, folder by folder, whatever their order in the list: a
// folder is opened once for all its lines of the batch (and stays open for later batches while
// it is among the latest used). Rows and messages still come in the list's order.
class FileListScanner {
  public:
    FileListScanner(const RowSink& sink, const ScanOptions& options)
        : sink_(sink), options_(options), kept_(options.kept ? *options.kept : ownKept_.emplace()),
          rows_(kept_), limit_(openFolderLimit()),
          threads_(options.threads ? options.threads : DefaultScanThreads()) {}
    FileListScanner(const FileListScanner&) = delete;
    FileListScanner& operator=(const FileListScanner&) = delete;

    void add(std::string&& given) {
        if (given.empty()) return;
        ListLine& line = batch_.emplace_back();
        // A list of NUL-ended paths read as lines: no part of it names the file meant.
        if (given.find('\0') != std::string::npos) {
            line.path = shownWithNul(given);
            line.kind = ListLine::Failed;
            line.error = EINVAL;
        } else if (isNormalAbsolute(given)) {
            line.path = std::move(given);
            settle(line);
        } else {
            AbsolutePathOf absolute = AbsolutePath(given);
            line.given = given;
            if (absolute.error) {
                line.path = given;
                line.kind = ListLine::Failed;
                line.error = absolute.error;
            } else {
                line.path = std::move(absolute.path);
                settle(line);
            }
        }
        if (batch_.size() == BatchSize) flush();
    }

    // Checks and hands out the lines read so far.
    void flush() {
        check();
        for (std::size_t i = 0; i < batch_.size(); ++i) {
            const ListLine& line = batch_[i];
            if (++progress_.files % 4096 == 0) report();
            if (line.kind == ListLine::Failed) fail(line.path, line.error);
            if (line.kind == ListLine::File) addRow(line, facts_[groupOf_[i]]);
        }
        batch_.clear();
    }

    void report() {
        if (options_.onProgress) options_.onProgress(progress_);
    }

  private:
    static constexpr std::size_t BatchSize = 1 << 16;

    static std::string shownWithNul(const std::string& path) {
        std::string shown;
        for (char c : path)
            c == '\0' ? shown.append("\\0") : shown.append(1, c);
        return shown;
    }

    // Most lists hold absolute paths already as the walk writes them: taken as they are.
    static bool isNormalAbsolute(std::string_view path) {
        if (path.empty() || path[0] != '/') return false;
        for (std::size_t at = 0; at < path.size();) {
            const std::size_t end = std::min(path.find('/', at + 1), path.size());
            const std::string_view part = path.substr(at + 1, end - at - 1);
            if ((part.empty() && path.size() > 1) || part == "." || part == "..") return false;
            at = end;
        }
        return true;
    }

    // Cuts an absolute, normal path into its folder and name.
    static void settle(ListLine& line) {
        const auto [folder, name] = CutPath(line.path);
        line.folderSize = static_cast<std::uint32_t>(folder.size());
        if (name.empty() || name == "." || name == "..") line.kind = ListLine::Nothing;
    }

    static std::string_view folderOf(const ListLine& line) {
        return std::string_view(line.path).substr(0, line.folderSize);
    }

    void fail(const std::string& path, int error) {
        if (options_.onError) options_.onError(path, error);
    }

    // The status call of each pending line, grouped by folder (in the order the folders first
    // come in the batch).
    void check() {
        groups_.clear();
        groupOf_.assign(batch_.size(), 0);
        std::vector<std::uint32_t> starts;
        for (std::uint32_t i = 0; i < batch_.size(); ++i) {
            if (batch_[i].kind != ListLine::Pending) continue;
            const auto [it, added] = groups_.try_emplace(folderOf(batch_[i]), starts.size());
            if (added) starts.push_back(0);
            groupOf_[i] = it->second;
            ++starts[it->second];
        }
        std::uint32_t start = 0;
        for (std::uint32_t& count : starts)
            start += std::exchange(count, start);
        order_.assign(start, 0);
        facts_.clear();
        facts_.resize(starts.size());
        for (std::uint32_t i = 0; i < batch_.size(); ++i)
            if (batch_[i].kind == ListLine::Pending) order_[starts[groupOf_[i]]++] = i;
        // A window of folders at a time (group g ends at starts[g]), opened here and held
        // while the lines of all of them are checked on every thread.
        std::vector<const ListFolder*> open;
        for (std::size_t first = 0; first < starts.size();) {
            const std::size_t last = std::min(starts.size(), first + limit_);
            const std::size_t begin = first == 0 ? 0 : starts[first - 1];
            open.clear();
            for (std::size_t g = first; g < last; ++g)
                open.push_back(&folderFor(folderOf(batch_[order_[g == 0 ? 0 : starts[g - 1]]])));
            parallelFor(starts[last - 1] - begin, threads_, [&](std::size_t k) {
                const std::uint32_t i = order_[begin + k];
                checkLine(batch_[i], *open[groupOf_[i] - first]);
            });
            first = last;
        }
    }

    void checkLine(ListLine& line, const ListFolder& folder) {
        line.kind = ListLine::Nothing;
        if (!folder.fd.valid()) {
            line.kind = ListLine::Failed;
            line.error = folder.error;
            return;
        }
        const int found = StatEntry(folder.fd.get(), line.path.c_str() + line.folderSize,
                                    folder.device, line.status);
        if (found < 0) {
            line.kind = ListLine::Failed;
            line.error = -found;
            return;
        }
        if (found != EmptyFileEntry || folder.pseudo) return;
        line.kind = ListLine::File;
        line.root = folder.root;
    }

    // The folder's facts are found once a batch, not once a line: a shuffled list changes
    // folder at nearly every line.
    void addRow(const ListLine& line, FolderFacts& facts) {
        const std::string_view path(line.path);
        const std::string_view folder = path.substr(0, line.folderSize);
        TResultRow row;
        try {
            if (!facts.known) {
                facts.resolved = line.root ? ScanRootPath(line.root->root) : std::string();
                if (facts.resolved.empty()) facts.resolved = folder;
                if (facts.resolved.back() != '/') facts.resolved.push_back('/');
                facts.kept = kept_.ForFolder(facts.resolved);
                facts.known = true;
            }
            const WalkedFolder walked{folder, facts.resolved,
                                      line.root ? line.root->prefixLength : 0u, facts.kept};
            rows_.Fill(row, walked, path.substr(line.folderSize), line.status,
                       line.root ? &*line.root : nullptr,
                       line.given.empty() ? path : std::string_view(line.given));
        } catch (const std::bad_alloc&) {
            throw;
        } catch (...) {
            return; // a file whose row cannot be made is passed over, as the walk does
        }
        ++progress_.rows;
        sink_(std::move(row));
    }

    // The open folder of that path, opened now unless it is among the latest used.
    const ListFolder& folderFor(std::string_view path) {
        auto found = folders_.find(std::string(path));
        if (found == folders_.end()) {
            if (folders_.size() >= limit_) {
                auto oldest = folders_.begin();
                for (auto it = folders_.begin(); it != folders_.end(); ++it)
                    if (it->second.used < oldest->second.used) oldest = it;
                folders_.erase(oldest);
            }
            found = folders_.emplace(std::string(path), openFolder(std::string(path))).first;
        }
        found->second.used = ++clock_;
        return found->second;
    }

    // Its path is followed as a scan root's is, and it is the root of its files' exact
    // deletes.
    static ListFolder openFolder(const std::string& path) {
        ListFolder folder;
        folder.fd.reset(::open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        folder.error = errno;
        if (!folder.fd.valid()) return folder;
        struct stat st {};
        folder.pseudo = OnPseudoFileSystem(folder.fd.get());
        folder.device = ::fstat(folder.fd.get(), &st) == 0 ? st.st_dev : 0;
        folder.root = ScanRootIdentity(folder.fd.get(), path, /*hold=*/false);
        return folder;
    }

    const RowSink& sink_;
    const ScanOptions& options_;
    std::optional<TKeptFiles> ownKept_;
    TKeptFiles& kept_;
    FileRowMaker rows_;
    ScanProgress progress_;
    const std::size_t limit_;
    const unsigned threads_;
    std::vector<ListLine> batch_;
    std::vector<std::uint32_t> order_;   // of the pending lines, folder by folder
    std::vector<std::uint32_t> groupOf_; // each line's folder, numbered in the batch
    std::vector<FolderFacts> facts_;     // of each folder of the batch
    std::unordered_map<std::string_view, std::uint32_t> groups_;
    std::unordered_map<std::string, ListFolder> folders_;
    std::uint64_t clock_ = 0;
};

} // namespace

int ScanFileList(std::FILE* list, bool nulEnded, const ScanOptions& options, const RowSink& sink) {
    int error = 0;
    char* line = nullptr;
    std::size_t capacity = 0;
    try {
        FileListScanner scanner(sink, options);
        const int end = nulEnded ? '\0' : '\n';
        ssize_t n;
        errno = 0;
        while ((n = ::getdelim(&line, &capacity, end, list)) > 0) {
            std::string path(line, std::size_t(n));
            if (path.back() == char(end)) path.pop_back();
            scanner.add(std::move(path));
            errno = 0;
        }
        const int readError = errno;
        scanner.flush();
        errno = readError;
        // A line too long for the memory ends the reading without the stream's error flag.
        if (std::ferror(list) || !std::feof(list)) error = errno ? errno : EIO;
        scanner.report();
    } catch (const std::bad_alloc&) {
        error = ENOMEM; // the rows added so far stay, but they are not the whole list
    } catch (...) {
        std::free(line);
        throw;
    }
    std::free(line);
    return error;
}

} // namespace nullsweep
