// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "grid/VirtualTree.h"
#include "scan/RemoveRows.h"

#include <cstdio>

namespace nullsweep {

// Removes every listed file with the exact re-check, kept files only with `includeKept`,
// naming each file left for a reason found only now (changed, failed, in use) on `err`, and
// ending with one line that names every count.
TRemoveCount RemoveListed(const TVirtualStringTree& grid, TRemoveMode mode, bool includeKept,
                          std::FILE* err);

} // namespace nullsweep
