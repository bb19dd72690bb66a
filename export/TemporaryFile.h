// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "export/ExportOutput.h"
#include "export/RemoveOnSignal.h"

#include <sys/stat.h>

#include <memory>
#include <optional>
#include <string>

namespace nullsweep {

// The new file of an export, written in the folder of the file it will replace so that the
// final rename stays inside one file system. Where the file system allows, it has no name
// until it is complete (so nothing can be left behind); otherwise it is ".NAME.NNN.part",
// removed when the object ends without Place, and also when a signal ends the program.
// Errors are TExportError naming `shown`.
class TTemporaryFile final : public TByteSink {
  public:
    // `folder` ends in "/" or is empty (the current folder). `named`: the file must have a
    // path from the start, for a writer that opens it itself.
    TTemporaryFile(const std::string& folder, const std::string& baseName, std::string shown,
                   bool named);
    ~TTemporaryFile() override;

    void Write(std::string_view bytes) override;

    // The path to the file; only for a file made `named`.
    const std::string& Path() const { return path_; }
    int Fd() const { return fd_; }

    // Gives the file the mode, and where permitted the owner and group, of `keep` (when not
    // null), makes it durable, puts it in the place of `target` in one step and syncs the
    // folder, so that the new name survives a crash.
    void Place(const std::string& target, const struct stat* keep);

  private:
    std::string freshName() const;
    void linkUnnamed();

    std::string folder_;
    std::string base_;
    std::string shown_;
    std::string path_; // empty while the file has no name
    int fd_ = -1;
    std::optional<TRemoveOnSignal> removeOnSignal_;
};

} // namespace nullsweep
