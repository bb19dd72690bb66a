// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fs/OwnedFd.h"
#include "fs/RemoveOnSignal.h"

#include <sys/stat.h>

#include <optional>
#include <string>

namespace nullsweep {

// A new file written in the folder of the file it will become, so that putting it in place is
// one step inside one file system and a failed write never leaves a partial file under the final
// name. Where the file system allows, it has no name until it is complete (so nothing can be
// left behind); otherwise it is ".NAME.NNN.part", removed when the object ends without Place,
// and also when a signal ends the program. Failures are returned as errno values, for the caller
// to name the file in its own words.
class TemporaryFile {
  public:
    // `folder` ends in "/" or is empty (the current folder); `baseName` is the final file's name.
    TemporaryFile(std::string folder, std::string baseName);
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    // Creates the file, mode 0600 while it is written (a new file gets 0666 less the umask when
    // it is put in place). `named`: it must have a path from the start, for a writer that opens
    // it itself (it can then also be read back through Fd).
    int Create(bool named);

    // The path to the file; only for a file made `named`.
    const std::string& Path() const { return path_; }
    int Fd() const { return fd_.get(); }

    // Gives the file the mode, and where permitted the owner and group, of `keep` (when not
    // null), makes it durable and puts it at `target` in one step, then syncs the folder so that
    // the new name survives a crash. With `replace` false a file standing at `target` (even one
    // put there a moment ago) is kept: the answer is then EEXIST and this file is dropped.
    int Place(const std::string& target, const struct stat* keep, bool replace);

  private:
    std::string freshName() const;
    int linkUnnamed();
    int putInPlace(const std::string& target, bool replace);

    std::string folder_;
    std::string base_;
    std::string path_; // empty while the file has no name
    OwnedFd fd_;
    std::optional<RemoveOnSignal> removeOnSignal_;
};

} // namespace nullsweep
