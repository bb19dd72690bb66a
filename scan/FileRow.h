// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "text/DateTimeText.h"
#include "scan/ExactDelete.h"
#include "scan/KeptFiles.h"
#include "scan/ResultRow.h"

#include <sys/stat.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nullsweep {

// The slot of a row whose file has a time that the date texts cannot show (before the year 1 or
// after 9999 in the local calendar, or beyond the calendar altogether). The text shows the
// nearest time it can; this slot keeps the real seconds of the three times, "-" for a time
// shown as it is, so that the list still orders by them. Empty in every other row.
constexpr int RealTimesSlot = 3;

// The real seconds of the time `field` of `row` when its text shows only the nearest time.
std::optional<std::int64_t> RealTimeOf(const TResultRow& row, TField field);

// What a row shows and remembers of a file's status.
struct TFileStatus {
    std::uint64_t size = 0;
    std::int64_t born = 0, accessed = 0, written = 0; // seconds; born: birth or status change
    std::uint64_t device = 0, inode = 0;
    // What tells this file from one made again at the same place: the birth time where the
    // file system keeps one, and the status-change time (with their nanoseconds).
    std::int64_t birth = 0, changed = 0;
    std::uint32_t birthNanoseconds = 0, changedNanoseconds = 0;
    bool hasBirth = false;
};

// The identity parts of a status from statx (STATX_INO, STATX_BTIME and STATX_CTIME asked).
void SetIdentityTimes(TFileStatus& status, const struct statx& sx);

// A folder whose kept facts a walk found on its way down (TKeptFiles::ForSubFolder).
struct TWalkedFolder {
    std::string_view path;     // as listed, ending in "/"
    std::string_view resolved; // where it is, with no link in it, ending in "/"
    std::size_t belowFrom = 0; // where the part below the scanned folder begins in `path`
    TKeptFiles::Folder kept;
};

// Makes the rows of one thread. A scan makes a million of them: what files of one folder share
// (its kept facts) is found once per folder, the date texts of recent days are kept, and the
// texts are gathered in one reused buffer and packed at once.
class TFileRowMaker {
  public:
    TFileRowMaker(TKeptFiles& kept, const DateTimeText& times);

    // Fills `row` for the file `name` in the folder `folder` (ending in "/"): its fields, its
    // kept reason, and, with `root` (the scan root's part of the identity), its identity for an
    // exact delete. The kept reason is decided where the file is: below the root's path with no
    // link in it. `below` is what a --keep pattern with a "/" matches (default: the path below
    // the root). Returns true when the file is kept. When making a text fails part-way, the
    // texts made so far are stored and the error passes on.
    bool Fill(TResultRow& row, std::string_view folder, std::string_view name,
              const TFileStatus& status, const TFileIdentity* root, std::string_view below = {});
    // The same for a file of a folder the walk knows: nothing is looked up for the folder.
    bool Fill(TResultRow& row, const TWalkedFolder& folder, std::string_view name,
              const TFileStatus& status, const TFileIdentity* root, std::string_view below = {});

  private:
    // The last stamp of one kind and its text: files made or changed together share it.
    struct LastTime {
        std::int64_t seconds = 0;
        bool known = false;
        bool nearest = false; // the text shows the nearest time it can
        std::string text;
    };
    // Returns false when the text shows only the nearest time.
    bool appendTime(std::int64_t seconds, LastTime& last);

    TKeptFiles& kept_;
    const DateTimeText& times_;
    std::string folder_;         // whose kept facts are below
    std::string resolvedFolder_; // where it is, with no link in it
    std::size_t belowFrom_ = 0;  // where the part below the root begins in `folder_`
    bool knowsFolder_ = false;
    TKeptFiles::Folder keptFolder_;
    std::string keptPath_; // a file's path where it is, when its repository is asked
    std::string buffer_;
    struct Day {
        std::int64_t key = -1;
        std::string text;
    };
    std::vector<Day> days_; // by day number modulo their count
    LastTime born_, accessed_, written_;
};

} // namespace nullsweep
