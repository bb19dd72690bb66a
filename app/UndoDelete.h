// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "scan/RestoreJournal.h"
#include "scan/ResultRow.h"

#include <string>
#include <vector>

namespace nullsweep {

// What an undo of a delete run gave back.
struct UndoResult {
    RestoreCount count;
    std::vector<TResultRow> rows;      // of the files made again, to list them once more
    std::vector<std::string> problems; // "PATH: why", one a file that could not be restored
};

// Restores the files of the journal `journal` and makes rows of those that stand again, as a
// file list does. Throws std::runtime_error naming the journal when it cannot be read.
UndoResult UndoDeleteRun(const std::string& journal);

// "Restored 3 files; 1 already there; 0 failed" for the status bar.
std::string UndoSummary(const RestoreCount& count);

} // namespace nullsweep
