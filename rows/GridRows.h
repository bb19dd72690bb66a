// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "export/ExportRows.h"
#include "rows/VirtualTree.h"
#include "scan/ResultRow.h"
#include "scan/Scan.h"

#include <string>
#include <vector>

namespace nullsweep {

// Size of a node's user data holding one TResultRow.
constexpr std::size_t RowDataSize = sizeof(TResultRow);

// Sets the grid's per-node data size for rows (keeping existing rows) and makes the grid
// release each row with its node. Every path that adds rows calls it first.
void PrepareRowData(TVirtualStringTree& grid);

// The row of a node of a grid prepared with PrepareRowData.
inline TResultRow& RowOf(PVirtualNode node) {
    return *static_cast<TResultRow*>(node->Data());
}
inline const TResultRow& RowOf(const VirtualNode* node) {
    return *static_cast<const TResultRow*>(node->Data());
}

// The grid's rows as an export takes them: in the grid's current order, in pre-order. The grid
// must outlive the result and stay as it is while the rows are visited.
ExportRows ExportRowsOf(const TVirtualStringTree& grid);

// Appends a node with an empty row under `parent` (null: the top level).
PVirtualNode AddRow(TVirtualStringTree& grid, PVirtualNode parent);

// Appends `rows` as top-level rows in their order inside one update bracket, checked unless
// they are kept. False when memory ran out before all were added; those added stay. Any other
// failure passes on, the bracket closed.
bool AddScannedRows(TVirtualStringTree& grid, std::vector<TResultRow>&& rows);

// The walk of `folder` (WalkFolder) as top-level rows of the grid, in walk order, inside one
// update bracket, each checked unless it is kept. What ends the walk early (WalkStopped, or
// no memory for a row) is passed on; the rows found before it stay.
void ScanFolder(TVirtualStringTree& grid, std::string folder, const ScanOptions& options = {});

// Opens the folder of the grid's focused row in the file manager through Shell(), with its
// file shown selected (ShowFile). Nothing happens without a focused row or with an empty folder.
void OpenInExplorer(const TVirtualStringTree& grid);

} // namespace nullsweep
