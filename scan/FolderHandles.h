// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "scan/FolderReader.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace nullsweep {

struct ListedFolder;

// Open descriptors of folders listed lately, so that their sub-folders open relative to them.
// At most `limit` are held while not in use; a folder whose descriptor was let go is opened
// again from its nearest held ancestor, one name at a time and links not followed, or through
// ".." from a held folder a few levels below it; each step is checked to be the folder listed.
class FolderHandles {
  public:
    explicit FolderHandles(std::size_t limit) : limit_(limit) {}
    ~FolderHandles();
    FolderHandles(const FolderHandles&) = delete;
    FolderHandles& operator=(const FolderHandles&) = delete;

    // A descriptor of the listed `folder`, valid until Release. -1 with errno set when it
    // cannot be opened again (ESTALE: it is no longer the folder that was listed).
    int Acquire(ListedFolder& folder);
    void Release(const ListedFolder& folder);
    // Lets go of the sub-folders of `parent`, which the walk has left for good: a held
    // folder's ancestors then all stay alive, for Acquire to climb to them.
    void Forget(const ListedFolder& parent);
    // Holds `reader` for `folder`; a pinned one (the root) is never let go.
    void Keep(const std::shared_ptr<ListedFolder>& folder, std::unique_ptr<FolderReader> reader,
              bool pinned);

  private:
    struct Slot {
        std::shared_ptr<ListedFolder> folder;
        std::unique_ptr<FolderReader> reader;
        int pins;
        std::uint64_t used;
        bool orphan; // its parent is walked: never used again, and its parent may be gone
    };
    Slot* find(const ListedFolder* folder);
    void trim(); // under the lock

    std::mutex mutex_;
    std::vector<Slot> slots_;
    const std::size_t limit_;
    std::uint64_t clock_ = 0;
};

} // namespace nullsweep
