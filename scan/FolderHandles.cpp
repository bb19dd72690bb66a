// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan/FolderHandles.h"

#include "scan/ListedFolder.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <utility>

namespace nullsweep {

FolderHandles::~FolderHandles() = default;

FolderHandles::Slot* FolderHandles::find(const ListedFolder* folder) {
    for (Slot& slot : slots_)
        if (slot.folder.get() == folder) return &slot;
    return nullptr;
}

void FolderHandles::trim() {
    std::erase_if(slots_, [](const Slot& slot) { return slot.orphan && slot.pins == 0; });
    while (slots_.size() > limit_) {
        auto oldest = slots_.end();
        for (auto it = slots_.begin(); it != slots_.end(); ++it)
            if (it->pins == 0 && (oldest == slots_.end() || it->used < oldest->used)) oldest = it;
        if (oldest == slots_.end()) return; // all in use: the excess goes with their Release
        slots_.erase(oldest);
    }
}

namespace {

// How far up a held folder is looked for from below: the folders a walk comes back to are
// mostly the parents of the ones it just left.
constexpr std::size_t ClimbLimit = 16;

// One name to open on the way to a folder, and the folder it must lead to.
struct Step {
    const char* name;
    dev_t device;
    ino_t inode;
};

// Opens each of `steps` in turn, the first relative to `fd`, each checked to be the folder
// listed; 0 with `reader` set, or the errno.
int openSteps(int fd, const std::vector<Step>& steps, std::unique_ptr<FolderReader>& reader) {
    for (const Step& step : steps) {
        auto next = std::make_unique<FolderReader>(reader ? reader->Fd() : fd, step.name, false);
        struct stat st {};
        if (!next->IsOpen() || ::fstat(next->Fd(), &st) != 0) return errno;
        if (st.st_dev != step.device || st.st_ino != step.inode) return ESTALE;
        reader = std::move(next);
    }
    return 0;
}

} // namespace

int FolderHandles::Acquire(ListedFolder& folder) {
    std::unique_lock lock(mutex_);
    if (Slot* slot = find(&folder)) {
        ++slot->pins;
        slot->used = ++clock_;
        return slot->reader->Fd();
    }
    // Down from the nearest held ancestor, one name at a time...
    std::vector<ListedFolder*> chain;
    Slot* above = nullptr;
    for (ListedFolder* f = &folder; !above; f = f->parent) {
        if (!f) {
            errno = ESTALE;
            return -1;
        }
        chain.push_back(f);
        above = find(f->parent);
    }
    // ...or up from a held folder below it through "..", when that is nearer: a walk coming
    // back up a deep chain would else open the whole chain again for each folder beside it.
    Slot* below = nullptr;
    std::vector<ListedFolder*> climb;
    for (Slot& slot : slots_) {
        if (slot.orphan) continue;
        std::vector<ListedFolder*> path;
        for (ListedFolder* f = slot.folder.get();
             f && f != &folder && path.size() < std::min(ClimbLimit, chain.size()) &&
             (!below || path.size() < climb.size());
             f = f->parent)
            path.push_back(f->parent);
        if (!path.empty() && path.back() == &folder) {
            below = &slot;
            climb = std::move(path);
        }
    }
    std::vector<Step> steps;
    std::vector<Step> fallback;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        fallback.push_back({(*it)->name.c_str(), (*it)->device, (*it)->inode});
    if (below) {
        for (ListedFolder* f : climb)
            steps.push_back({"..", f->device, f->inode});
    } else {
        steps.swap(fallback);
    }
    Slot* start = below ? below : above;
    ++start->pins; // its descriptor stays open while the lock is let go
    ListedFolder* const startFolder = start->folder.get();
    const int startFd = start->reader->Fd();
    ++above->pins;
    ListedFolder* const ancestor = above->folder.get();
    const int ancestorFd = above->reader->Fd();
    lock.unlock();

    std::unique_ptr<FolderReader> reader;
    int error = openSteps(startFd, steps, reader);
    if (error && !fallback.empty()) { // moved meanwhile, or a folder on the way gone
        reader.reset();
        error = openSteps(ancestorFd, fallback, reader);
    }
    lock.lock();
    if (Slot* slot = find(startFolder)) --slot->pins;
    if (Slot* slot = find(ancestor)) --slot->pins;
    if (error) {
        trim();
        errno = error;
        return -1;
    }
    int fd = -1;
    if (Slot* slot = find(&folder)) { // opened again meanwhile by another thread
        ++slot->pins;
        slot->used = ++clock_;
        fd = slot->reader->Fd();
    } else {
        fd = reader->Fd();
        slots_.push_back({folder.shared_from_this(), std::move(reader), 1, ++clock_, false});
    }
    trim();
    return fd;
}

void FolderHandles::Forget(const ListedFolder& parent) {
    std::lock_guard lock(mutex_);
    for (Slot& slot : slots_)
        if (slot.folder->parent == &parent) slot.orphan = true; // one in use goes with Release
    trim();
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
    slots_.push_back({folder, std::move(reader), pinned ? 1 : 0, ++clock_, false});
    trim();
}

} // namespace nullsweep
