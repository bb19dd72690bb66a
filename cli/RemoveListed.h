// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "rows/VirtualTree.h"
#include "scan/EmptiedFolders.h"
#include "scan/RemoveRows.h"

#include <cstdio>

namespace nullsweep {

class DeleteJournal;

// Removes every listed file with the exact re-check, kept files only with `includeKept`,
// naming each file left for a reason found only now (changed, failed, in use) on `err`, and
// ending with one line that names every count (and the journal, where deletes were journalled
// in `journal`). `deletedIn`, when given, gets the folders deleted in, with their times from
// before.
RemoveCount RemoveListed(const TVirtualStringTree& grid, RemoveMode mode, bool includeKept,
                         DeleteJournal* journal, TouchedFolders* deletedIn, std::FILE* err);

} // namespace nullsweep
