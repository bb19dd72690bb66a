// SPDX-License-Identifier: GPL-3.0-or-later
#include "rows/GridRows.h"

#include "desktop/DesktopShell.h"
#include "scan/FileActions.h"
#include "scan/KeptFiles.h"

#include <new>
#include <stdexcept>

namespace nullsweep {

void PrepareRowData(TVirtualStringTree& grid) {
    grid.SetNodeDataSize(RowDataSize);
    grid.OnFreeNode = [](PVirtualNode node) { RowOf(node).~TResultRow(); };
}

PVirtualNode AddRow(TVirtualStringTree& grid, PVirtualNode parent) {
    if (grid.NodeDataSize() != RowDataSize)
        throw std::logic_error("rows added to a grid not prepared for them");
    PVirtualNode node = grid.AddChild(parent);
    new (node->Data()) TResultRow();
    return node;
}

ExportRows ExportRowsOf(const TVirtualStringTree& grid) {
    return [&grid](const ExportRowVisit& visit) {
        for (const VirtualNode* node = grid.GetFirst(); node; node = grid.GetNext(node)) {
            unsigned depth = 0;
            for (const VirtualNode* up = node->Parent; up != grid.RootNode(); up = up->Parent)
                ++depth;
            visit(RowOf(node), depth);
        }
    };
}

namespace {

void addScannedRow(TVirtualStringTree& grid, TResultRow&& row) {
    PVirtualNode node = AddRow(grid, nullptr);
    RowOf(node) = std::move(row);
    node->CheckState = KeptReasonOf(RowOf(node)).empty() ? csCheckedNormal : csUncheckedNormal;
}

} // namespace

bool AddScannedRows(TVirtualStringTree& grid, std::vector<TResultRow>&& rows) {
    bool all = true;
    {
        const UpdateBracket bracket(grid);
        try {
            PrepareRowData(grid);
            for (TResultRow& row : rows)
                addScannedRow(grid, std::move(row));
        } catch (const std::bad_alloc&) {
            all = false; // the rows added so far stay
        }
    }
    rows.clear();
    return all;
}

void ScanFolder(TVirtualStringTree& grid, std::string folder, const ScanOptions& options) {
    const UpdateBracket bracket(grid); // the rows added before a failure stay
    PrepareRowData(grid);
    WalkFolder(std::move(folder), options,
               [&](TResultRow&& row) { addScannedRow(grid, std::move(row)); });
}

void OpenInExplorer(const TVirtualStringTree& grid) {
    const VirtualNode* node = grid.FocusedNode();
    if (!node) return;
    const std::string_view path = RowOf(node).Path(); // every row is a file's, or empty
    const std::string_view folder = FolderPartOf(path);
    if (folder.empty()) return;
    Shell().ShowFile(std::string(path), std::string(folder));
}

} // namespace nullsweep
