// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "scan/FilesInUse.h"
#include "scan/ResultRow.h"

#include <cstdint>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace nullsweep {

// Which empty files are there on purpose: package markers (__init__.py, py.typed), folder
// keepers (.gitkeep, .keep, .nomedia, .donotdelete), names matching a --keep pattern, files
// inside a version control folder, a bare git repository, a trash folder or the package
// manager's state, files a git repository's index tracks, and every file of a repository whose
// index cannot be read. Decided on paths with no link in them. The walk asks once per empty
// file; kept files are still listed.
class KeptFiles {
  public:
    // A pattern with a "/" matches the path below the scanned folder ("sub/x", "*/x"), one
    // without matches the name.
    explicit KeptFiles(std::vector<std::string> keepPatterns = {});
    ~KeptFiles();
    KeptFiles(const KeptFiles&) = delete;
    KeptFiles& operator=(const KeptFiles&) = delete;

    // Called once for each repository whose index cannot be read, with a line naming it.
    void SetWarning(std::function<void(const std::string& line)> warn);

    // Why the empty file at `path` (its full path with no link in it, `name` the last part) is
    // kept ("Kept: ..."), or empty when it is not. Safe to call from several threads.
    std::string_view ReasonFor(std::string_view path, std::string_view name);

    // What the files of one folder share, found once for all of them: a reason that keeps
    // every file there, else the git repository the folder is in (-1: none).
    struct Folder {
        std::string_view reason;
        int repository = -1;
    };
    Folder ForFolder(std::string_view folder); // with no link in it, ending in "/"
    // The same as above for a file of that folder; `below` is its path below the scanned
    // folder (what a pattern with a "/" matches).
    std::string_view ReasonFor(const Folder& folder, std::string_view path, std::string_view name,
                               std::string_view below);

    // What a folder's own listing shows of a git repository there.
    struct RepositoryMarks {
        bool git = false; // an entry ".git" of any type
        // A bare one: an entry "HEAD", folders "objects" and "refs".
        bool head = false, objects = false, refs = false;
    };
    // The same as ForFolder for `folder`, the sub-folder `name` of a folder found before as
    // `parent`, from what its listing showed: a walk going down opens and looks up nothing.
    Folder ForSubFolder(const Folder& parent, std::string_view folder, std::string_view name,
                        const RepositoryMarks& marks);
    bool HasKeepPatterns() const { return !keepPatterns_.empty(); }

    // "Kept: in use by PID (NAME)" for a file locked or open in a running program (what was in
    // use when first asked), else empty.
    std::string InUseReason(std::uint64_t device, std::uint64_t inode);

  private:
    struct Repositories;
    static Folder fromState(int state);
    std::vector<std::string> keepPatterns_;
    std::string homeTrash_; // with no link in it, ending in "/"; empty when unknown
    std::mutex mutex_;
    std::unique_ptr<Repositories> repositories_;
    std::function<void(const std::string&)> warn_;
    std::unique_ptr<FilesInUse> inUse_;
};

// The reason stored in a row: empty for a file that may go.
inline std::string_view KeptReasonOf(const TResultRow& row) {
    return row.KeptReason();
}

} // namespace nullsweep
