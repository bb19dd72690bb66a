// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan/RestoreJournal.h"

#include "fs/OwnedFd.h"
#include "fs/PathParts.h"
#include "scan/ExactDelete.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <map>
#include <stdexcept>
#include <system_error>
#include <thread>

namespace nullsweep {

namespace {

std::string reason(const char* what, int error = errno) {
    return std::string(what) + ": " + std::strerror(error);
}

// The folder `folder` (absolute), reached from "/" without following any link; with `make`,
// missing folders on the way are made. -1 with errno set.
int openFolder(const std::string& folder, bool make) {
    OwnedFd top(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (top.get() < 0) return -1;
    const std::string_view relative = std::string_view(folder).substr(1);
    const int fd = OpenFolderBeneath(top.get(), relative, true);
    if (fd >= 0 || errno != ENOENT || !make) return fd;
    OwnedFd current(::fcntl(top.get(), F_DUPFD_CLOEXEC, 0));
    for (std::string_view rest = relative; !rest.empty();) {
        const auto slash = rest.find('/');
        const std::string part(rest.substr(0, slash));
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
        if (part.empty()) continue;
        if (::mkdirat(current.get(), part.c_str(), 0777) != 0 && errno != EEXIST) return -1;
        const int next =
            ::openat(current.get(), part.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (next < 0) return -1;
        current.reset(next);
    }
    return ::fcntl(current.get(), F_DUPFD_CLOEXEC, 0);
}

// Owner, mode, extended attributes and times, in the order that keeps each: a change of owner
// clears set-id bits, an access list sets the group bits, and times come last. `made` is the
// status the file was created with when that is known already; otherwise it is read.
std::string applyRecord(int fd, const JournalRecord& record, const struct stat* made = nullptr) {
    struct stat st {};
    if (made)
        st = *made;
    else if (::fstat(fd, &st) != 0)
        return reason("cannot read it back");
    std::string problem;
    const bool chown = st.st_uid != record.owner || st.st_gid != record.group;
    if (chown && ::fchown(fd, record.owner, record.group) != 0)
        problem = reason(("cannot give it owner " + std::to_string(record.owner) + " and group " +
                          std::to_string(record.group))
                             .c_str());
    if ((chown || (st.st_mode & 07777) != record.mode) && ::fchmod(fd, record.mode) != 0 &&
        problem.empty())
        problem = reason("cannot set its mode");
    for (const auto& [name, value] : record.attributes)
        if (::fsetxattr(fd, name.c_str(), value.data(), value.size(), 0) != 0 && problem.empty())
            problem = reason(("cannot set its attribute " + name).c_str());
    const timespec times[2] = {record.accessed, record.written};
    if (::futimens(fd, times) != 0 && problem.empty()) problem = reason("cannot set its times");
    return problem;
}

enum class Place { Free, Taken, Already };

Place placeOf(int folder, const std::string& name, bool wantFolder) {
    struct stat st {};
    if (::fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return Place::Free;
    if (wantFolder ? S_ISDIR(st.st_mode) : (S_ISREG(st.st_mode) && st.st_size == 0))
        return Place::Already;
    return Place::Taken;
}

} // namespace

std::vector<JournalRecord> ReadJournal(const std::string& path,
                                       const std::function<void(std::size_t line)>& onBadLine) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path + ": " + std::strerror(errno));
    std::vector<JournalRecord> records;
    std::string line;
    for (std::size_t number = 1; std::getline(in, line); ++number) {
        if (line.empty()) continue;
        if (std::optional<JournalRecord> record = ReadJournalLine(line))
            records.push_back(std::move(*record));
        else if (onBadLine)
            onBadLine(number);
    }
    if (in.bad()) throw std::runtime_error("cannot read " + path + ": " + std::strerror(errno));
    return records;
}

namespace {

// What became of one record.
struct Outcome {
    enum Kind { Restored, Already, Failed, MadeFolder } kind = Failed;
    std::string why;
};

// The folder the records at hand are in, held open, and what a file made there with each mode
// turned out to be.
struct FolderCursor {
    std::string path;
    OwnedFd fd;
    std::map<mode_t, struct stat> created;
};

Outcome restoreOne(const JournalRecord& record, FolderCursor& at, const RestoreOptions& options,
                   uid_t user, gid_t group) {
    const PathParts parts = SplitPath(record.path);
    const std::string name(parts.name);
    if (name.empty() || name == "." || name == ".." || !record.path.starts_with('/'))
        return {Outcome::Failed, "not a path of a file"};
    // Records of one folder come together: its descriptor serves them all.
    if (parts.folder != at.path || at.fd.get() < 0) {
        at.path = parts.folder;
        at.fd.reset(openFolder(at.path, options.parents && !options.dryRun));
        at.created.clear();
    }
    if (at.fd.get() < 0) {
        const int error = errno;
        if (options.dryRun && error == ENOENT && options.parents) return {Outcome::Restored, {}};
        return {Outcome::Failed, error == ENOENT ? "its folder is missing (--parents makes it)"
                                                 : reason("cannot reach its folder", error)};
    }
    const auto taken = [&]() -> Outcome {
        if (placeOf(at.fd.get(), name, record.folder) == Place::Already)
            return {Outcome::Already, {}};
        return {Outcome::Failed, "its place is taken by another file; left as it is"};
    };
    if (options.dryRun) {
        if (placeOf(at.fd.get(), name, record.folder) != Place::Free) return taken();
        return {Outcome::Restored, {}};
    }
    OwnedFd made;
    mode_t plainMode = 0;
    if (record.folder) {
        if (::mkdirat(at.fd.get(), name.c_str(), 0700) == 0)
            made.reset(::openat(at.fd.get(), name.c_str(),
                                O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    } else {
        // Made with its own mode where it is ours and has no set-id or sticky bit (the mask can
        // only take bits away); otherwise private until owner and mode are set. O_EXCL never
        // opens what stands there.
        plainMode = (record.mode & 07000) == 0 && record.owner == user && record.group == group
                        ? record.mode
                        : 0;
        made.reset(::openat(at.fd.get(), name.c_str(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                            plainMode ? plainMode : 0600));
    }
    if (made.get() < 0)
        return errno == EEXIST ? taken() : Outcome{Outcome::Failed, reason("cannot create it")};
    // Its mode may forbid making its files: it is set once they stand.
    if (record.folder) return {Outcome::MadeFolder, {}};
    // In one folder a mode asked for always gives the same file (the mask, a default access
    // list and a set-group-id folder decide it): read back for its first file only.
    const struct stat* known = nullptr;
    if (plainMode) {
        auto it = at.created.find(plainMode);
        struct stat st {};
        if (it == at.created.end() && ::fstat(made.get(), &st) == 0)
            it = at.created.emplace(plainMode, st).first;
        if (it != at.created.end()) known = &it->second;
    }
    std::string why = applyRecord(made.get(), record, known);
    if (!why.empty()) return {Outcome::Failed, std::move(why)};
    return {Outcome::Restored, {}};
}

} // namespace

RestoreCount RestoreRecords(const std::vector<JournalRecord>& records,
                            const RestoreOptions& options, unsigned threads) {
    std::vector<const JournalRecord*> order;
    for (const JournalRecord& record : records)
        order.push_back(&record);
    // Folders before files, outer folders before inner ones; files grouped by their folder
    // (a run on several threads journals folders interleaved), in the journal's order within it.
    std::stable_sort(order.begin(), order.end(), [](const auto* a, const auto* b) {
        if (a->folder != b->folder) return a->folder;
        if (a->folder) return a->path.size() < b->path.size();
        return SplitPath(a->path).folder < SplitPath(b->path).folder;
    });
    const uid_t user = ::geteuid();
    const gid_t group = ::getegid();
    std::vector<Outcome> outcomes(order.size());
    // Folders in order, here: an inner one needs its outer one.
    std::size_t firstFile = 0;
    {
        FolderCursor at;
        for (; firstFile < order.size() && order[firstFile]->folder; ++firstFile)
            outcomes[firstFile] = restoreOne(*order[firstFile], at, options, user, group);
    }
    // Files folder by folder, on helper threads (files of distinct folders are made under
    // distinct locks in the kernel); what became of each is said afterwards, in order.
    std::vector<std::size_t> groups; // the first record of each folder
    for (std::size_t i = firstFile; i < order.size(); ++i)
        if (i == firstFile ||
            SplitPath(order[i]->path).folder != SplitPath(order[i - 1]->path).folder)
            groups.push_back(i);
    groups.push_back(order.size());
    std::atomic<std::size_t> nextGroup{0};
    auto work = [&] {
        FolderCursor at;
        for (std::size_t g; (g = nextGroup++) + 1 < groups.size();)
            for (std::size_t i = groups[g]; i < groups[g + 1]; ++i) {
                try {
                    outcomes[i] = restoreOne(*order[i], at, options, user, group);
                } catch (const std::bad_alloc&) {
                    outcomes[i] = {Outcome::Failed, std::strerror(ENOMEM)};
                } catch (const std::exception& e) {
                    outcomes[i] = {Outcome::Failed, e.what()};
                }
            }
    };
    if (threads == 0) threads = std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
    threads = unsigned(std::min<std::size_t>(groups.size() - 1, threads));
    std::vector<std::thread> helpers;
    // A thread that cannot start leaves its share to the others, down to this thread alone.
    for (unsigned t = 1; t < threads; ++t) {
        try {
            helpers.emplace_back(work);
        } catch (const std::system_error&) {
            break;
        }
    }
    work();
    for (std::thread& helper : helpers)
        helper.join();

    RestoreCount count;
    std::vector<const JournalRecord*> madeFolders;
    const auto problem = [&](const JournalRecord& record, const std::string& why) {
        ++count.failed;
        if (options.onProblem) options.onProblem(record.path, why);
    };
    const auto restored = [&](const JournalRecord& record) {
        ++count.restored;
        if (options.onRestored) options.onRestored(record.path);
    };
    for (std::size_t i = 0; i < order.size(); ++i) {
        switch (outcomes[i].kind) {
        case Outcome::Restored:
            restored(*order[i]);
            break;
        case Outcome::Already:
            ++count.already;
            break;
        case Outcome::Failed:
            problem(*order[i], outcomes[i].why);
            break;
        case Outcome::MadeFolder:
            madeFolders.push_back(order[i]);
            break;
        }
    }
    // Inner folders first: setting a folder's times is the last change inside its parent.
    for (auto it = madeFolders.rbegin(); it != madeFolders.rend(); ++it) {
        const JournalRecord& record = **it;
        OwnedFd place(openFolder(record.path, false));
        OwnedFd fd(
            place.get() < 0 ? -1 : ::openat(place.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        const std::string why =
            fd.get() < 0 ? reason("cannot reach it again") : applyRecord(fd.get(), record);
        if (!why.empty()) {
            problem(record, why);
            continue;
        }
        restored(record);
    }
    return count;
}

} // namespace nullsweep
