// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan/ListedFolder.h"

#include "fs/OwnedFd.h"
#include "scan/ExactDelete.h"
#include "scan/FirstFailure.h"
#include "scan/MemoryHints.h"
#include "scan/Scan.h"

#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <new>

namespace nullsweep {

bool OnPseudoFileSystem(int fd) {
    struct statfs fs {};
    return ::fstatfs(fd, &fs) == 0 && IsPseudoFileSystem(fs.f_type);
}

namespace {

constexpr unsigned StatxMask =
    STATX_TYPE | STATX_SIZE | STATX_INO | STATX_ATIME | STATX_MTIME | STATX_CTIME | STATX_BTIME;
constexpr int StatxFlags = AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT;

// A file mounted over one of the folder's (a bind mount) may come from a pseudo file system.
bool isPseudoFile(int folderFd, const char* name) {
    const OwnedFd fd(::openat(folderFd, name, O_PATH | O_NOFOLLOW | O_CLOEXEC));
    return !fd.valid() || OnPseudoFileSystem(fd.get());
}

bool excluded(const ListingRules& rules, const char* name) {
    if (!rules.excludes) return false;
    for (const std::string& pattern : *rules.excludes)
        if (::fnmatch(pattern.c_str(), name, 0) == 0) return true;
    return false;
}

bool isFolderAt(int fd, const char* name) {
    struct stat st {};
    return ::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
}

// The kept-file check learns from the listing whether the folder is a repository.
void noteMark(KeptFiles::RepositoryMarks& marks, int fd, const FolderReader::Entry& entry) {
    if (entry.name == ".git") {
        marks.git = true;
    } else if (entry.name == "HEAD") {
        marks.head = true;
    } else if (entry.name == "objects" || entry.name == "refs") {
        const bool folder =
            entry.type == DT_DIR || (entry.type == DT_UNKNOWN && isFolderAt(fd, entry.name.data()));
        (entry.name == "refs" ? marks.refs : marks.objects) |= folder;
    }
}

} // namespace

int StatEntry(int fd, const char* name, std::uint64_t folderDevice, FileStatus& status) {
    struct statx sx {};
    if (::statx(fd, name, StatxFlags, StatxMask, &sx) != 0) return -errno;
    if (!(sx.stx_mask & STATX_TYPE)) return OtherEntry;
    if (S_ISDIR(sx.stx_mode)) return FolderEntry;
    if (!S_ISREG(sx.stx_mode) || !(sx.stx_mask & STATX_SIZE) || sx.stx_size != 0) return OtherEntry;
    status.size = sx.stx_size;
    status.device = makedev(sx.stx_dev_major, sx.stx_dev_minor);
    status.inode = sx.stx_ino;
    SetStatusTimes(status, sx);
    if (status.device != folderDevice && isPseudoFile(fd, name)) return OtherEntry;
    return EmptyFileEntry;
}

std::optional<FileIdentity> ScanRootIdentity(int fd, const std::string& path, bool hold) {
    const std::uint32_t root = InternScanRoot(fd, ResolvedFolderPath(fd, path), hold);
    if (root == NoScanRoot) return std::nullopt;
    FileIdentity identity;
    identity.root = root;
    identity.prefixLength = static_cast<std::uint32_t>(path.size());
    return identity;
}

namespace {

using Pending = ListingScratch::Pending;
using ByInode = ListingScratch::ByInode;

// What a status call made of an entry: passed over, a folder, a failure (minus the errno) or
// an empty file (FileOffset plus its index in the statuses).
enum Verdict : std::int64_t { Skip = 0, IsFolder = 1, FileOffset = 2 };

// The verdict on one entry; for an empty file FileOffset, with `status` filled.
std::int64_t statEntry(int fd, const char* name, const Pending& entry, std::uint64_t folderDevice,
                       FileStatus& status) {
    const int found = StatEntry(fd, name, folderDevice, status);
    if (found < 0) return found == -ENOENT ? std::int64_t(Skip) : found; // gone: nothing missed
    if (found == FolderEntry) return entry.type == DT_UNKNOWN ? IsFolder : Skip;
    return found == EmptyFileEntry ? FileOffset : Skip;
}

constexpr std::size_t ChunkSize = ListedFolder::StatusPieceSize;

// The names and entries of calls in inode order lie all over memory; the next call's are
// fetched while the kernel does this one.
constexpr std::size_t CallsAhead = 4;
void prefetchCall(const ListingScratch& scratch, std::size_t i) {
    const ByInode& o = scratch.order[i];
    Prefetch(scratch.names.data() + o.name);
    Prefetch(&scratch.pending[o.pendingIndex], true);
}

// The status calls of `scratch.order` in chunks, on the threads `rules.share` finds. Each
// chunk writes its verdicts straight into `pending` and its empty files' statuses into one run
// of `store`, so no pass on one thread has to put them together afterwards.
std::unique_ptr<ListedFolder::SharedStatuses>
statBySharing(int fd, std::uint64_t device, const ListingRules& rules, ListingScratch& scratch) {
    const std::size_t total = scratch.order.size();
    const std::size_t chunks = (total + ChunkSize - 1) / ChunkSize;
    auto shared = std::make_unique<ListedFolder::SharedStatuses>();
    StatusStore& store = shared->store;
    std::vector<std::uint32_t>& starts = shared->starts;
    store = StatusStore(total);
    starts.resize(chunks);
    FirstFailure failure;
    rules.share(chunks, [&](std::size_t chunk) {
        const std::size_t begin = chunk * ChunkSize;
        const std::size_t end = std::min(total, begin + ChunkSize);
        const auto first = FileOffset + static_cast<std::int64_t>(begin);
        FileStatus status;
        try {
            std::vector<FileStatus> found;
            found.reserve(end - begin);
            for (std::size_t i = begin; i < end; ++i) {
                if (i + CallsAhead < end) prefetchCall(scratch, i + CallsAhead);
                const ByInode& o = scratch.order[i];
                Pending& p = scratch.pending[o.pendingIndex];
                std::int64_t verdict =
                    statEntry(fd, scratch.names.c_str() + o.name, p, device, status);
                if (verdict == FileOffset) {
                    verdict = first + static_cast<std::int64_t>(found.size());
                    found.push_back(status);
                }
                p.verdict = verdict;
            }
            starts[chunk] = static_cast<std::uint32_t>(store.Put(found.data(), found.size()));
        } catch (...) {
            failure.Keep(); // thrown on the thread that waits for the chunks
        }
    });
    failure.Rethrow();
    return shared;
}

// Room for the listing of a folder whose st_size is `folderSize`, so that a huge listing does
// not grow (and copy) its buffers again and again. A folder's records take at least 16 bytes
// each and more than its names on the file systems that tell their size. Room never touched
// costs no memory; if there is none, the buffers grow as they fill. Small folders grow theirs:
// an all-empty folder keeps its names' room until it is walked.
void reserveListing(ListingScratch& scratch, std::uint64_t folderSize) {
    constexpr std::uint64_t MostEntries = std::uint64_t(1) << 22;
    if (folderSize < (std::uint64_t(1) << 20)) return;
    const std::uint64_t entries = std::min(folderSize / 16, MostEntries);
    try {
        scratch.pending.reserve(entries);
        scratch.order.reserve(entries);
        scratch.names.reserve(std::min(folderSize, 32 * MostEntries));
    } catch (const std::bad_alloc&) {
        return;
    }
    AdviseHugePages(scratch.pending.data(), scratch.pending.capacity() * sizeof(Pending));
    AdviseHugePages(scratch.order.data(), scratch.order.capacity() * sizeof(ByInode));
    AdviseHugePages(scratch.names.data(), scratch.names.capacity());
}

} // namespace

void ListingScratch::ReleaseBig() {
    constexpr std::size_t Keep = 4096; // entries; reusing more gains a big folder nothing
    if (pending.capacity() <= Keep && order.capacity() <= Keep && statuses.capacity() <= Keep &&
        names.capacity() <= 32 * Keep)
        return;
    *this = ListingScratch();
}

void ReadListing(ListedFolder& folder, FolderReader& reader, const ListingRules& rules,
                 ListingScratch& scratch, std::uint64_t folderSize) {
    const int fd = reader.Fd();
    std::string& names = scratch.names;
    std::vector<Pending>& pending = scratch.pending;
    std::vector<ByInode>& order = scratch.order;
    names.clear();
    pending.clear();
    order.clear();
    reserveListing(scratch, folderSize);
    FolderReader::Entry entry;
    while (reader.Next(entry)) {
        if (entry.name == "." || entry.name == "..") continue;
        ++folder.entryCount;
        noteMark(folder.marks, fd, entry);
        if (entry.type != DT_DIR && entry.type != DT_REG && entry.type != DT_UNKNOWN)
            continue; // links, FIFOs, sockets and devices are never listed nor entered
        const auto offset = static_cast<std::uint32_t>(names.size());
        names.append(entry.name).push_back('\0'); // NUL-ended for the calls below
        if (excluded(rules, names.c_str() + offset)) {
            names.resize(offset);
            continue;
        }
        // Folders the listing names need no status call.
        if (entry.type != DT_DIR)
            order.push_back({entry.inode, offset, static_cast<std::uint32_t>(pending.size())});
        pending.push_back({offset, entry.type, entry.type == DT_DIR ? IsFolder : Skip});
    }
    folder.readError = reader.Error();

    // Status calls in inode order: on a cold cache the inode table is then read front to back.
    std::sort(order.begin(), order.end(),
              [](const ByInode& a, const ByInode& b) { return a.inode < b.inode; });
    std::vector<FileStatus>& statuses = scratch.statuses;
    statuses.clear();
    std::unique_ptr<ListedFolder::SharedStatuses> sharedStatuses;
    const bool shared =
        rules.share && order.size() >= 2 * ChunkSize && folder.statuses.empty() && !folder.shared;
    if (shared) {
        sharedStatuses = statBySharing(fd, folder.device, rules, scratch);
    } else {
        statuses.reserve(order.size());
        if (order.size() >= 2 * ChunkSize)
            AdviseHugePages(statuses.data(), statuses.capacity() * sizeof(FileStatus));
        FileStatus status;
        for (const ByInode& o : order) {
            Pending& p = pending[o.pendingIndex];
            p.verdict = statEntry(fd, names.c_str() + o.name, p, folder.device, status);
            if (p.verdict != FileOffset) continue;
            p.verdict = FileOffset + std::int64_t(statuses.size());
            statuses.push_back(status);
        }
    }

    std::size_t kept = 0;
    for (const Pending& p : pending)
        kept += p.verdict != Skip;
    // Where every entry stays (an all-empty folder), the names are already the walk's.
    const bool allKept = kept == pending.size() && folder.names.empty();
    if (allKept)
        folder.names = std::move(names);
    else
        folder.names.reserve(folder.names.size() + names.size());
    folder.entries.reserve(folder.entries.size() + kept);
    // A big folder's statuses are taken over rather than copied, unless most of the room made
    // for them stayed empty.
    const auto statusBase = static_cast<std::uint32_t>(folder.statuses.size());
    if (shared)
        folder.shared = std::move(sharedStatuses);
    else if (statusBase == 0 && statuses.size() >= ChunkSize &&
             statuses.capacity() - statuses.size() <= statuses.size() / 4)
        folder.statuses.swap(statuses);
    else
        folder.statuses.insert(folder.statuses.end(), statuses.begin(), statuses.end());
    for (const Pending& p : pending) {
        if (p.verdict == Skip) continue;
        const char* name = (allKept ? folder.names : names).c_str() + p.name;
        const auto offset = allKept ? p.name : static_cast<std::uint32_t>(folder.names.size());
        ListedEntry listed{ListedEntry::File, 0, offset, 0};
        if (p.verdict == IsFolder) {
            auto child = std::make_shared<ListedFolder>();
            child->parent = &folder;
            child->name = name;
            listed.kind = ListedEntry::Folder;
            listed.child = static_cast<std::uint32_t>(folder.children.size());
            folder.children.push_back(std::move(child));
        } else if (p.verdict < 0) {
            listed.kind = ListedEntry::Failed;
            listed.error = int(-p.verdict);
        } else {
            // A shared-out file's number already names its piece.
            listed.child =
                (shared ? 0 : statusBase) + static_cast<std::uint32_t>(p.verdict - FileOffset);
        }
        if (!allKept) folder.names.append(name).push_back('\0');
        folder.entries.push_back(listed);
    }
    scratch.ReleaseBig();
}

void ListFolder(const std::shared_ptr<ListedFolder>& folder, FolderHandles& handles,
                const ListingRules& rules, ListingScratch& scratch) noexcept {
    try {
        const int parentFd = handles.Acquire(*folder->parent);
        if (parentFd < 0) {
            folder->openError = errno;
            return;
        }
        auto reader = std::make_unique<FolderReader>(parentFd, folder->name.c_str(), false);
        const int openError = errno;
        handles.Release(*folder->parent);
        struct stat st {};
        if (!reader->IsOpen() || ::fstat(reader->Fd(), &st) != 0) {
            folder->openError = reader->IsOpen() ? errno : openError;
            return;
        }
        folder->device = st.st_dev;
        folder->inode = st.st_ino;
        // Only a mount point can lead into a pseudo file system or onto another device.
        if (st.st_dev != folder->parent->device &&
            (OnPseudoFileSystem(reader->Fd()) ||
             (rules.oneFileSystem && st.st_dev != rules.rootDevice)))
            return;
        ReadListing(*folder, *reader, rules, scratch, std::uint64_t(st.st_size));
        if (!folder->children.empty()) handles.Keep(folder, std::move(reader), false);
    } catch (...) {
        folder->failure = std::current_exception(); // thrown by the walk when it gets there
    }
}

} // namespace nullsweep
