// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "scan/ExactDelete.h"
#include "scan/KeptFiles.h"
#include "scan/ResultRow.h"

#include <sys/stat.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace nullsweep {

// What a row shows and remembers of a file's status.
struct FileStatus {
    std::uint64_t size = 0;
    std::uint64_t device = 0, inode = 0;
    FileTime accessed, written;
    // The birth time where the file system keeps one, and the status-change time: they tell
    // this file from one made again at the same place, and the first of them is its creation.
    FileTime birth, changed;
    bool hasBirth = false;
};

// The times of a status from statx (STATX_ATIME, STATX_MTIME, STATX_BTIME and STATX_CTIME
// asked).
void SetStatusTimes(FileStatus& status, const struct statx& sx);

// A folder whose kept facts a walk found on its way down (KeptFiles::ForSubFolder).
struct WalkedFolder {
    std::string_view path;     // as listed, ending in "/"
    std::string_view resolved; // where it is, with no link in it, ending in "/"
    std::size_t belowFrom = 0; // where the part below the scanned folder begins in `path`
    KeptFiles::Folder kept;
};

// Makes the rows of one thread. A scan makes a million of them: what files of one folder share
// (its kept facts) is found once per folder, and the path is built in one reused buffer.
class FileRowMaker {
  public:
    explicit FileRowMaker(KeptFiles& kept);

    // Fills `row` for the file `name` in the folder `folder` (ending in "/"): its facts, its
    // kept reason, and, with `root` (the scan root's part of the identity), its identity for an
    // exact delete. The kept reason is decided where the file is: below the root's path with no
    // link in it. `below` is what a --keep pattern with a "/" matches (default: the path below
    // the root). Returns true when the file is kept.
    bool Fill(TResultRow& row, std::string_view folder, std::string_view name,
              const FileStatus& status, const FileIdentity* root, std::string_view below = {});
    // The same for a file of a folder the walk knows: nothing is looked up for the folder.
    bool Fill(TResultRow& row, const WalkedFolder& folder, std::string_view name,
              const FileStatus& status, const FileIdentity* root, std::string_view below = {});

  private:
    KeptFiles& kept_;
    std::string folder_;         // whose kept facts are below
    std::string resolvedFolder_; // where it is, with no link in it
    std::size_t belowFrom_ = 0;  // where the part below the root begins in `folder_`
    bool knowsFolder_ = false;
    KeptFiles::Folder keptFolder_;
    std::string keptPath_; // a file's path where it is, when its repository is asked
    std::string path_;
};

} // namespace nullsweep
