// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fs/OwnedFd.h"

#include <dirent.h>
#include <sys/types.h>

#include <cstddef>
#include <memory>
#include <string_view>

namespace nullsweep {

// One open folder: its descriptor and listing, closed with the object. Entries come in
// listing order, "." and ".." included; `type` is the listing's d_type (DT_UNKNOWN where the
// file system does not fill it in).
class FolderReader {
  public:
    struct Entry {
        std::string_view name; // NUL-ended
        unsigned char type;
        ino_t inode; // d_ino
    };

    // Opens `name` relative to the folder `parentFd` (AT_FDCWD: relative to the current
    // folder) without following a symbolic link in the last step unless `followLink`.
    FolderReader(int parentFd, const char* name, bool followLink);
    ~FolderReader();
    FolderReader(const FolderReader&) = delete;
    FolderReader& operator=(const FolderReader&) = delete;

    bool IsOpen() const { return fd_.valid(); }
    int Fd() const { return fd_.get(); }
    // The next entry, or false at the end (or on a read error, which ends the listing and
    // leaves its errno in Error()).
    bool Next(Entry& entry);
    int Error() const { return error_; }

    // From then on every reader reports DT_UNKNOWN, as on a file system that does not fill in
    // d_type: the walk must then learn each entry's type from its status (tests use this).
    static void ReportTypesUnknown(bool unknown);

  private:
    OwnedFd fd_;
    int error_ = 0;
    // The kernel's records, read straight into a buffer made at the first read (a folder
    // opened only to reach the ones below it never reads).
    std::unique_ptr<char[]> buffer_;
    std::size_t size_ = 0, at_ = 0;
    bool ended_ = false;
};

} // namespace nullsweep
