// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "grid/GridRows.h"
#include "grid/VirtualTree.h"
#include "scan/ResultRow.h"

#include <cstdint>
#include <string>
#include <vector>

namespace nullsweep {

// The export column list: column names exactly as the configuration stores them.
using TExportColumns = std::vector<std::string>;

// Appends the export column list to `list`: the Name of every column entry of the
// configuration whose Visible is true, in configuration order, exactly as stored. The window's
// exports and the command line's both take their columns from here. Throws what loading the
// configuration throws.
void FillExportColumns(TExportColumns& list);

// The field each export column writes: FieldIndexOf of its name (trimmed; no match gives the
// file name).
std::vector<std::uint8_t> ExportFields(const TExportColumns& columns);

// Visits every row of the grid in pre-order (a row, its children, then its next sibling), in
// the grid's current order, whatever its check state: f(node, row).
template <class F> void ForEachExportRow(const TVirtualStringTree& grid, F&& f) {
    for (PVirtualNode node = grid.GetFirst(); node; node = grid.GetNext(node))
        f(node, static_cast<const TResultRow&>(RowOf(node)));
}

} // namespace nullsweep
