// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "rows/GridRows.h"
#include "rows/VirtualTree.h"

namespace nullsweep {

// Sorts the rows of `grid` (a grid of TResultRows, see PrepareRowData) by field `sortField`
// in `direction`, through the tree's own merge over each parent's children. The order is
// exactly the one that CompareRows gives one pair at a time; each row's key (empty or not, its
// number or time, its text's rank) is prepared once per sort instead of in every
// comparison. The grid's OnCompareNodes is not used. The window passes the header's sort
// column, the command line -1.
void SortRows(TVirtualStringTree& grid, int column, int sortField, SortOrder direction);

} // namespace nullsweep
