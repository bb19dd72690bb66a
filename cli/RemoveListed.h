// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "grid/VirtualTree.h"
#include "scan/EmptiedFolders.h"

#include <cstdio>
#include <string>
#include <vector>

namespace nullsweep {

class TDeleteJournal;

enum class TRemoveMode { Delete, Trash };

struct TRemoveCount {
    std::size_t removed = 0; // deleted, or moved to the trash
    std::size_t kept = 0;    // meant to be empty, left unless asked
    std::size_t changed = 0; // no longer the listed empty file, or gone already
    std::size_t failed = 0;  // the system refused
};

// Removes every listed file with the exact re-check, kept files only with `includeKept`,
// naming each failure on `err` and ending with one line that names every count (and the
// journal, where deletes were journalled in `journal`). `deletedIn`, when given, gets the real
// folder of each file deleted, with its times from before.
TRemoveCount RemoveListed(const TVirtualStringTree& grid, TRemoveMode mode, bool includeKept,
                          TDeleteJournal* journal, TTouchedFolders* deletedIn,
                          std::FILE* err);

} // namespace nullsweep
