// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "scan/DeleteJournal.h"

#include <functional>
#include <string>
#include <vector>

namespace nullsweep {

struct RestoreCount {
    std::size_t restored = 0;
    std::size_t already = 0; // an empty file (or a folder) stands there now: left as it is
    std::size_t failed = 0;
};

struct RestoreOptions {
    bool dryRun = false;  // say what would be done, change nothing
    bool parents = false; // make missing folders on the way
    // Each file or folder restored (or, on a dry run, that would be).
    std::function<void(const std::string& path)> onRestored;
    // One problem: the path, and why.
    std::function<void(const std::string& path, const std::string& why)> onProblem;
};

// Recreates each record where nothing stands now: folders first (outermost first), then the
// files, each created exclusively in its folder, reached from "/" without following any link;
// then mode, owner (where permitted), extended attributes and times as recorded. A place taken
// by anything else is never touched. Files are made folder by folder on up to `threads` threads
// (0: as the machine suits); the callbacks come afterwards, on the calling thread, folders
// first and files grouped by folder.
RestoreCount RestoreRecords(const std::vector<JournalRecord>& records,
                            const RestoreOptions& options, unsigned threads = 0);

// The records of a journal file; `onBadLine` is told the number of each line that is not one.
// Throws std::runtime_error naming the file when it cannot be read.
std::vector<JournalRecord> ReadJournal(const std::string& path,
                                       const std::function<void(std::size_t line)>& onBadLine);

} // namespace nullsweep
