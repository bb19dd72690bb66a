// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan/FolderHandles.h"

#include "scan/ListedFolder.h"

#include <sys/stat.h>

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

} // namespace nullsweep
