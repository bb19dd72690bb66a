// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan/ListedFolder.h"

#include "scan/Scan.h"

#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace nullsweep {

FolderHandles::~FolderHandles() = default;

FolderHandles::Slot* FolderHandles::find(const ListedFolder* folder) {
    for (Slot& slot : slots_)
        if (slot.folder.get() == folder) return &slot;
    return nullptr;
}

void FolderHandles::trim() {
    while (slots_.size() > limit_) {
        auto oldest = slots_.end();
        for (auto it = slots_.begin(); it != slots_.end(); ++it)
            if (it->pins == 0 && (oldest == slots_.end() || it->used < oldest->used)) oldest = it;
        if (oldest == slots_.end()) return; // all in use: the excess goes with their Release
        slots_.erase(oldest);
    }
}

int FolderHandles::Acquire(ListedFolder& folder) {
    std::unique_lock lock(mutex_);
    if (Slot* slot = find(&folder)) {
        ++slot->pins;
        slot->used = ++clock_;
        return slot->reader->Fd();
    }
    // The folders from the nearest held ancestor down to `folder`.
    std::vector<ListedFolder*> chain;
    Slot* held = nullptr;
    for (ListedFolder* f = &folder; !held; f = f->parent) {
        if (!f) {
            errno = ESTALE;
            return -1;
        }
        chain.push_back(f);
        held = find(f->parent);
    }
    ++held->pins; // its descriptor stays open while the lock is let go
    ListedFolder* const ancestor = held->folder.get();
    const int heldFd = held->reader->Fd();
    lock.unlock();

    int fd = -1;
    {
        std::unique_ptr<FolderReader> reader;
        int error = 0;
        for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
            auto next = std::make_unique<FolderReader>(reader ? reader->Fd() : heldFd,
                                                       (*it)->name.c_str(), false);
            struct stat st {};
            if (!next->IsOpen()) {
                error = errno;
            } else if (::fstat(next->Fd(), &st) != 0) {
                error = errno;
            } else if (st.st_dev != (*it)->device || st.st_ino != (*it)->inode) {
                error = ESTALE;
            }
            if (error) break;
            reader = std::move(next);
        }
        lock.lock();
        if (Slot* slot = find(ancestor)) --slot->pins;
        if (error) {
            trim();
            errno = error;
            return -1;
        }
        if (Slot* slot = find(&folder)) { // opened again meanwhile by another thread
            ++slot->pins;
            slot->used = ++clock_;
            fd = slot->reader->Fd();
        } else {
            fd = reader->Fd();
            slots_.push_back({folder.shared_from_this(), std::move(reader), 1, ++clock_});
        }
        trim();
    }
    return fd;
}

void FolderHandles::Release(const ListedFolder& folder) {
    std::lock_guard lock(mutex_);
    if (Slot* slot = find(&folder)) --slot->pins;
    trim();
}

void FolderHandles::Keep(const std::shared_ptr<ListedFolder>& folder,
                         std::unique_ptr<FolderReader> reader, bool pinned) {
    std::lock_guard lock(mutex_);
    if (find(folder.get())) return;
    slots_.push_back({folder, std::move(reader), pinned ? 1 : 0, ++clock_});
    trim();
}

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
    const int fd = ::openat(folderFd, name, O_PATH | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return true;
    const bool pseudo = OnPseudoFileSystem(fd);
    ::close(fd);
    return pseudo;
}

bool excluded(const ListingRules& rules, const char* name) {
    if (!rules.excludes) return false;
    for (const std::string& pattern : *rules.excludes)
        if (::fnmatch(pattern.c_str(), name, 0) == 0) return true;
    return false;
}

} // namespace

void ReadListing(ListedFolder& folder, FolderReader& reader, const ListingRules& rules) {
    const int fd = reader.Fd();
    FolderReader::Entry entry;
    std::string name;
    while (reader.Next(entry)) {
        if (entry.name == "." || entry.name == "..") continue;
        ++folder.entryCount;
        name.assign(entry.name); // NUL-ended for the calls below
        if (excluded(rules, name.c_str())) continue;
        ListedEntry listed{
            ListedEntry::File, 0, static_cast<std::uint32_t>(folder.names.size()), 0, {}};
        bool isFolder = entry.type == DT_DIR;
        if (!isFolder) {
            if (entry.type != DT_REG && entry.type != DT_UNKNOWN)
                continue; // links, FIFOs, sockets and devices are never listed nor entered
            struct statx sx {};
            if (::statx(fd, name.c_str(), StatxFlags, StatxMask, &sx) != 0) {
                if (errno == ENOENT) continue; // gone: nothing missed
                listed.kind = ListedEntry::Failed;
                listed.error = errno;
            } else if (!(sx.stx_mask & STATX_TYPE)) {
                continue;
            } else if (S_ISDIR(sx.stx_mode)) {
                if (entry.type != DT_UNKNOWN) continue;
                isFolder = true;
            } else if (!S_ISREG(sx.stx_mode) || !(sx.stx_mask & STATX_SIZE) || sx.stx_size != 0) {
                continue;
            } else {
                FileStatus& status = listed.status;
                status.size = sx.stx_size;
                // Where the file system keeps no birth time, the status-change time stands in.
                status.born =
                    (sx.stx_mask & STATX_BTIME) ? sx.stx_btime.tv_sec : sx.stx_ctime.tv_sec;
                status.accessed = sx.stx_atime.tv_sec;
                status.written = sx.stx_mtime.tv_sec;
                status.device = makedev(sx.stx_dev_major, sx.stx_dev_minor);
                status.inode = sx.stx_ino;
                if (status.device != folder.device && isPseudoFile(fd, name.c_str())) continue;
            }
        }
        if (isFolder) {
            auto child = std::make_shared<ListedFolder>();
            child->parent = &folder;
            child->name = name;
            listed.kind = ListedEntry::Folder;
            listed.child = static_cast<std::uint32_t>(folder.children.size());
            folder.children.push_back(std::move(child));
        }
        folder.names.append(name).push_back('\0');
        folder.entries.push_back(listed);
    }
    folder.readError = reader.Error();
}

void ListFolder(const std::shared_ptr<ListedFolder>& folder, FolderHandles& handles,
                const ListingRules& rules) noexcept {
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
        ReadListing(*folder, *reader, rules);
        if (!folder->children.empty()) handles.Keep(folder, std::move(reader), false);
    } catch (...) {
        folder->readError = ENOMEM; // what was read so far is walked
    }
}

} // namespace nullsweep
