// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "scan/ResultRow.h"

#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace nullsweep {

// Which empty files are there on purpose: package markers (__init__.py, py.typed), folder
// keepers (.gitkeep, .keep, .nomedia, .donotdelete), names matching a --keep pattern, files
// inside a version control folder or the package manager's state, and files a git repository's
// index tracks. The walk asks once per empty file; kept files are still listed.
class TKeptFiles {
  public:
    explicit TKeptFiles(std::vector<std::string> keepPatterns = {});
    ~TKeptFiles();
    TKeptFiles(const TKeptFiles&) = delete;
    TKeptFiles& operator=(const TKeptFiles&) = delete;

    // Why the empty file at `path` (its full path, `name` the last part) is kept ("Kept: ..."),
    // or empty when it is not. Safe to call from several threads.
    std::string_view ReasonFor(std::string_view path, std::string_view name);

    // What the files of one folder share, found once for all of them: a reason that keeps
    // every file there, else the git repository the folder is in (-1: none).
    struct Folder {
        std::string_view reason;
        int repository = -1;
    };
    Folder ForFolder(std::string_view folder); // ends in "/"
    // The same as above for a file of that folder.
    std::string_view ReasonFor(const Folder& folder, std::string_view path, std::string_view name);

  private:
    struct Repositories;
    std::vector<std::string> keepPatterns_;
    std::mutex mutex_;
    std::unique_ptr<Repositories> repositories_;
};

// The reason stored in a row (in slot KeptSlot): empty for a file that may go.
constexpr int KeptSlot = 2;
std::string_view KeptReasonOf(const TResultRow& row);
void SetKeptReason(TResultRow& row, std::string_view reason);

} // namespace nullsweep
