// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan/FilesFrom.h"

#include "fs/OwnedFd.h"
#include "fs/PathParts.h"
#include "scan/ExactDelete.h"
#include "scan/FileRow.h"
#include "scan/FirstFailure.h"
#include "scan/FolderArgument.h"
#include "scan/HelperThreads.h"
#include "scan/ListedFolder.h"
#include "scan/ResultRow.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <deque>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace nullsweep {

namespace {

// A name of the list, kept with the other names of its folder.
struct GroupEntry {
    std::uint32_t line; // its place in the list
    std::uint32_t name; // offset of its NUL-ended name in the folder's `names`
};

// The lines of one folder, wherever they stand in the list.
struct FolderGroup {
    std::string path;  // absolute, ending in "/"
    std::string names; // side by side: the status calls of a folder read them in a row
    std::vector<GroupEntry> entries;
    // Found when it is opened:
    bool pseudo = false;
    std::uint64_t device = 0;
    std::optional<FileIdentity> root;
    // Found for its first row:
    bool known = false;
    std::string resolved; // with no link in it, ending in "/"
    KeptFiles::Folder kept;
};

// A line that gives a row or a message, to be handed on in the list's order.
struct Outcome {
    static constexpr std::uint32_t Refused = UINT32_MAX; // as `group`: refused before any check
    std::uint32_t line;
    std::uint32_t group;
    std::uint32_t name; // in the group's names; for a refused line, its index in `refused_`
    std::int32_t code;  // minus the errno, or the index of the empty file's status
};

// How many folders are open at once: as many as the walk holds, fewer under a low limit.
std::size_t openFolderLimit() {
    rlimit limit{};
    std::size_t cur = 1024;
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        cur = static_cast<std::size_t>(limit.rlim_cur);
    return std::clamp<std::size_t>(cur > 16 ? (cur - 16) / 4 : 1, 1, 64);
}

// The whole list (or a very long list's first millions of lines) is gathered folder by folder
// before anything is checked, whatever the order of its lines: each folder is then opened once
// and its names checked together, on every thread. Rows and messages still come in the list's
// order.
class FileListScanner {
  public:
    FileListScanner(const RowSink& sink, const ScanOptions& options)
        : sink_(sink), options_(options), kept_(options.kept ? *options.kept : ownKept_.emplace()),
          rows_(kept_), limit_(openFolderLimit()),
          helpers_(options.threads ? options.threads : DefaultScanThreads()) {}
    FileListScanner(const FileListScanner&) = delete;
    FileListScanner& operator=(const FileListScanner&) = delete;

    void add(std::string_view given) {
        if (given.empty()) return;
        const std::uint32_t line = lines_++;
        // A list of NUL-ended paths read as lines: no part of it names the file meant.
        if (given.find('\0') != std::string_view::npos) {
            refuse(line, shownWithNul(given), EINVAL);
        } else if (isNormalAbsolute(given)) {
            place(line, given);
        } else {
            const AbsolutePathOf absolute = AbsolutePath(std::string(given));
            if (absolute.error) {
                refuse(line, std::string(given), absolute.error);
            } else if (place(line, absolute.path)) {
                givens_.emplace_back(line, given);
                bytes_ += given.size() + sizeof(givens_[0]);
            }
        }
        if (lines_ >= RoundLines || bytes_ >= RoundBytes) flush();
    }

    // Checks and hands out the lines gathered so far.
    void flush() {
        const std::uint64_t before = progress_.files;
        check();
        handOut();
        progress_.files = before + lines_;
        groups_.clear();
        byPath_.clear();
        last_ = nullptr;
        refused_.clear();
        givens_.clear();
        outcomes_.clear();
        statuses_.clear();
        lines_ = 0;
        bytes_ = 0;
    }

    void report() {
        if (options_.onProgress) options_.onProgress(progress_);
    }

  private:
    // A round's bound on what a list of many millions of lines holds at once.
    static constexpr std::uint32_t RoundLines = 1u << 22;
    static constexpr std::size_t RoundBytes = std::size_t(1) << 30;
    // Status calls a thread makes in a row.
    static constexpr std::size_t Chunk = 512;

    static std::string shownWithNul(std::string_view path) {
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

    void refuse(std::uint32_t line, std::string shown, int error) {
        bytes_ += shown.size() + sizeof(std::string) + sizeof(Outcome);
        refused_.push_back(std::move(shown));
        try {
            outcomes_.push_back(
                {line, Outcome::Refused, static_cast<std::uint32_t>(refused_.size() - 1), -error});
        } catch (...) {
            refused_.pop_back();
            throw;
        }
    }

    // Files an absolute, normal path under its folder; false when it names no file.
    bool place(std::uint32_t line, std::string_view path) {
        const auto [folder, name] = CutPath(path);
        if (name.empty() || name == "." || name == "..") return false;
        FolderGroup& group = groupFor(folder);
        const std::size_t offset = group.names.size();
        if (offset + name.size() >= UINT32_MAX) throw std::bad_alloc();
        group.names.append(name).push_back('\0');
        try {
            group.entries.push_back({line, static_cast<std::uint32_t>(offset)});
        } catch (...) {
            group.names.resize(offset);
            throw;
        }
        bytes_ += name.size() + 1 + sizeof(GroupEntry);
        return true;
    }

    // A grouped list names the same folder line after line: looked up only when it changes.
    FolderGroup& groupFor(std::string_view folder) {
        if (last_ && last_->path == folder) return *last_;
        const auto found = byPath_.find(folder);
        if (found != byPath_.end()) return *(last_ = &groups_[found->second]);
        FolderGroup& group = groups_.emplace_back();
        try {
            group.path = folder;
            byPath_.emplace(group.path, static_cast<std::uint32_t>(groups_.size() - 1));
        } catch (...) {
            groups_.pop_back();
            throw;
        }
        bytes_ += sizeof(FolderGroup) + 2 * folder.size();
        return *(last_ = &group);
    }

    void fail(const std::string& path, int error) {
        if (options_.onError) options_.onError(path, error);
    }

    // What the status calls of one run of a folder's names found.
    struct Task {
        const FolderGroup* group;
        std::uint32_t index; // of the group
        int fd;
        std::size_t begin, end; // of its entries
        std::vector<Outcome> outcomes;
        std::vector<FileStatus> statuses;
    };

    // A window of folders at a time: opened here, each once, and held while their names are
    // checked on every thread.
    void check() {
        std::vector<OwnedFd> open;
        std::vector<Task> tasks;
        for (std::size_t first = 0; first < groups_.size(); first += limit_) {
            const std::size_t last = std::min(groups_.size(), first + limit_);
            open.clear();
            tasks.clear();
            for (std::size_t g = first; g < last; ++g) {
                FolderGroup& group = groups_[g];
                int error = 0;
                OwnedFd& fd = open.emplace_back(openFolder(group, error));
                const auto index = static_cast<std::uint32_t>(g);
                progress_.files += group.entries.size();
                if (!fd.valid()) {
                    for (const GroupEntry& entry : group.entries)
                        outcomes_.push_back({entry.line, index, entry.name, -error});
                    continue;
                }
                for (std::size_t begin = 0; begin < group.entries.size(); begin += Chunk)
                    tasks.push_back({&group,
                                     index,
                                     fd.get(),
                                     begin,
                                     std::min(group.entries.size(), begin + Chunk),
                                     {},
                                     {}});
            }
            FirstFailure failure;
            helpers_.Run(tasks.size(), [&](std::size_t k) {
                try {
                    checkNames(tasks[k]);
                } catch (...) {
                    failure.Keep(); // thrown on this thread once the round is over
                }
            });
            failure.Rethrow();
            for (Task& task : tasks) {
                const auto base = static_cast<std::int32_t>(statuses_.size());
                for (Outcome& outcome : task.outcomes)
                    if (outcome.code >= 0) outcome.code += base;
                outcomes_.insert(outcomes_.end(), task.outcomes.begin(), task.outcomes.end());
                statuses_.insert(statuses_.end(), task.statuses.begin(), task.statuses.end());
            }
            progress_.threads = helpers_.Count();
            report();
        }
        std::sort(outcomes_.begin(), outcomes_.end(),
                  [](const Outcome& a, const Outcome& b) { return a.line < b.line; });
    }

    static void checkNames(Task& task) {
        const FolderGroup& group = *task.group;
        for (std::size_t i = task.begin; i < task.end; ++i) {
            const GroupEntry& entry = group.entries[i];
            FileStatus status;
            const int found =
                StatEntry(task.fd, group.names.c_str() + entry.name, group.device, status);
            if (found < 0) {
                task.outcomes.push_back({entry.line, task.index, entry.name, found});
            } else if (found == EmptyFileEntry && !group.pseudo) {
                task.statuses.push_back(status);
                task.outcomes.push_back({entry.line, task.index, entry.name,
                                         static_cast<std::int32_t>(task.statuses.size() - 1)});
            }
        }
    }

    // Its path is followed as a scan root's is, and it is the root of its files' exact
    // deletes. Invalid, with `error` set, when it cannot be opened.
    OwnedFd openFolder(FolderGroup& group, int& error) {
        OwnedFd fd(::open(group.path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        error = errno;
        ++progress_.folders;
        if (fd.valid()) {
            struct stat st {};
            group.pseudo = OnPseudoFileSystem(fd.get());
            group.device = ::fstat(fd.get(), &st) == 0 ? st.st_dev : 0;
            group.root = ScanRootIdentity(fd.get(), group.path, /*hold=*/false);
        }
        return fd;
    }

    // Rows and messages in the list's order.
    void handOut() {
        std::size_t given = 0;
        for (const Outcome& outcome : outcomes_) {
            if (outcome.group == Outcome::Refused) {
                fail(refused_[outcome.name], -outcome.code);
                continue;
            }
            FolderGroup& group = groups_[outcome.group];
            path_.assign(group.path).append(group.names.c_str() + outcome.name);
            if (outcome.code < 0) {
                fail(path_, -outcome.code);
                continue;
            }
            while (given < givens_.size() && givens_[given].first < outcome.line)
                ++given;
            const bool asGiven = given < givens_.size() && givens_[given].first == outcome.line;
            addRow(group, statuses_[std::size_t(outcome.code)],
                   asGiven ? std::string_view(givens_[given].second) : std::string_view(path_));
        }
    }

    // The folder's facts are found once, not once a line: a shuffled list changes folder at
    // nearly every line.
    void addRow(FolderGroup& group, const FileStatus& status, std::string_view below) {
        const std::string_view path(path_);
        const std::string_view folder(group.path);
        TResultRow row;
        try {
            if (!group.known) {
                group.resolved = group.root ? ScanRootPath(group.root->root) : std::string();
                if (group.resolved.empty()) group.resolved = folder;
                if (group.resolved.back() != '/') group.resolved.push_back('/');
                group.kept = kept_.ForFolder(group.resolved);
                group.known = true;
            }
            const WalkedFolder walked{folder, group.resolved,
                                      group.root ? group.root->prefixLength : 0u, group.kept};
            rows_.Fill(row, walked, path.substr(folder.size()), status,
                       group.root ? &*group.root : nullptr, below);
        } catch (const std::bad_alloc&) {
            throw;
        } catch (...) {
            return; // a file whose row cannot be made is passed over, as the walk does
        }
        ++progress_.rows;
        sink_(std::move(row));
    }

    const RowSink& sink_;
    const ScanOptions& options_;
    std::optional<KeptFiles> ownKept_;
    KeptFiles& kept_;
    FileRowMaker rows_;
    ScanProgress progress_;
    const std::size_t limit_;
    HelperThreads helpers_;
    std::uint32_t lines_ = 0;        // of this round
    std::size_t bytes_ = 0;          // what this round holds, about
    std::deque<FolderGroup> groups_; // a deque: their paths stay where the index points
    std::unordered_map<std::string_view, std::uint32_t> byPath_;
    FolderGroup* last_ = nullptr;
    std::vector<std::string> refused_;
    std::vector<std::pair<std::uint32_t, std::string>> givens_; // lines not taken as they are
    std::vector<Outcome> outcomes_;
    std::vector<FileStatus> statuses_;
    std::string path_;
};

// Adds to a line the block ends inside; false when there is no memory for it.
bool extend(std::string& line, const char* from, const char* to) {
    try {
        line.append(from, to);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

// Reads `list` a block at a time and hands each line, without its end, to `add`. Returns 0,
// or the errno of what ended the reading early (ENOMEM: a line longer than the memory; the
// lines before it are handed on).
template <class Add> int readLines(std::FILE* list, char end, Add&& add) {
    std::vector<char> block(std::size_t(1) << 20);
    std::string partial;
    for (;;) {
        errno = 0;
        const std::size_t n = std::fread(block.data(), 1, block.size(), list);
        if (n == 0) break;
        const char* at = block.data();
        const char* const stop = at + n;
        while (const char* found = static_cast<const char*>(std::memchr(at, end, stop - at))) {
            if (partial.empty()) {
                add(std::string_view(at, std::size_t(found - at)));
            } else {
                if (!extend(partial, at, found)) return ENOMEM;
                add(std::string_view(partial));
                partial.clear();
            }
            at = found + 1;
        }
        if (!extend(partial, at, stop)) return ENOMEM;
    }
    if (std::ferror(list)) return errno ? errno : EIO;
    if (!partial.empty()) add(std::string_view(partial));
    return 0;
}

} // namespace

int ScanFileList(std::FILE* list, bool nulEnded, const ScanOptions& options, const RowSink& sink) {
    int error = 0;
    try {
        FileListScanner scanner(sink, options);
        errno = 0;
        error = readLines(list, nulEnded ? '\0' : '\n',
                          [&](std::string_view line) { scanner.add(line); });
        scanner.flush();
        scanner.report();
    } catch (const std::bad_alloc&) {
        error = ENOMEM; // the rows handed on so far stay, but they are not the whole list
    }
    return error;
}

} // namespace nullsweep
