// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fs/OwnedFd.h"
#include "fs/PathParts.h"

#include <sys/stat.h>

#include <string>
#include <string_view>

namespace nullsweep {

// What stands at an export's chosen name, found and opened before anything is written, the
// way a shell's redirection opens it: the kernel follows the links (so fs.protected_* applies).
//  - A device, FIFO or socket (also reached through links, such as /dev/stdout) is opened for
//    writing, and the export is written into it: it is never replaced.
//  - Otherwise the file the kernel opened (or, for a new file, the end of the links) is the
//    one to replace, at the path the kernel gives it. An existing file the user could not open
//    for writing is refused here, so nothing is written in its place.
//  - In a sticky folder that all may write, another user's file, or one reached through
//    another user's link there (the folder owner's excepted), is refused whatever the kernel's
//    switches say: someone else may have planted it to turn the export against its user.
// Throws ExportError "cannot write NAME: REASON" (NAME as given) when it cannot be written.
class OutputTarget {
  public:
    explicit OutputTarget(const std::string& name);

    // The descriptor to write directly, or -1 when a file is to be replaced.
    int DirectFd() const { return fd_.get(); }
    // Closes the direct descriptor; throws when the device reports what was written as lost.
    void CloseDirect();
    // The file to replace, links followed; its folder part ends in "/" or is empty.
    const std::string& Path() const { return path_; }
    std::string Folder() const { return std::string(CutPath(path_).folder); }
    std::string BaseName() const { return std::string(CutPath(path_).name); }
    // The status of the file to be replaced, or nullptr when none exists yet.
    const struct stat* Existing() const { return exists_ ? &status_ : nullptr; }

  private:
    std::string name_;
    std::string path_;
    OwnedFd fd_;
    bool exists_ = false;
    struct stat status_ {};
};

// "cannot write NAME: REASON" for the errno value `error`.
std::string WriteFailure(const std::string& name, int error);

// Writes all of `bytes` to `fd`; throws ExportError naming `name` when it cannot.
void WriteAll(int fd, std::string_view bytes, const std::string& name);

} // namespace nullsweep
