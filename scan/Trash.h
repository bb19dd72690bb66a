// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fs/OwnedFd.h"
#include "scan/FileActions.h"
#include "scan/ResultRow.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <string>

namespace nullsweep {

// The user's trash as the freedesktop.org trash standard lays it out: the home trash for
// files on its file system, the top-level ".Trash-UID" folder of any other file system. Each
// file goes to files/ under a name not yet taken, with info/NAME.trashinfo telling where it
// was and when it went.
class UserTrash {
  public:
    // $XDG_DATA_HOME/Trash when XDG_DATA_HOME is an absolute path, else
    // $HOME/.local/share/Trash; empty when neither is known.
    static std::string HomeTrashPath();

    explicit UserTrash(std::string homeTrash);
    ~UserTrash();
    UserTrash(const UserTrash&) = delete;
    UserTrash& operator=(const UserTrash&) = delete;

    // Where a file went: its name in files/ and in info/ of a trash folder.
    struct Entry {
        int files = -1, info = -1; // descriptors the trash owns
        std::string name;
    };
    // Moves `name` of the folder `folder` into the trash; `realPath` is where the file is and
    // `device` its file system. Returns 0 with `placed` set, or -1 with errno set; nothing is
    // moved on -1. Safe to call from several threads.
    int Move(int folder, const std::string& name, const std::string& realPath, std::uint64_t device,
             Entry& placed);
    // Moves a file moved by Move back to `name` of `folder`, never over anything there, and
    // drops its info file. Returns 0, or -1 with errno set (the file then stays in the trash).
    static int MoveBack(const Entry& placed, int folder, const std::string& name);

  private:
    struct Place {
        OwnedFd files;
        OwnedFd info;
        std::string topDir; // empty: the home trash, whose Path= lines are absolute
    };
    const Place* placeFor(const std::string& realPath, std::uint64_t device);

    std::string homeTrash_;
    std::mutex mutex_; // guards places_; a Place, once made, stays where it is
    std::map<std::uint64_t, Place> places_;
};

// Moves the row's file to the trash with the same checks as DeleteListedFile.
DeleteOutcome TrashListedFile(const TResultRow& row, UserTrash& trash);

// Percent-encodes a path for a Path= line: every byte but letters, digits, "-._~/".
std::string TrashPathText(const std::string& path);

} // namespace nullsweep
