// SPDX-License-Identifier: GPL-3.0-or-later
#include "grid/CorvaneCtrl.h"

#include "config/ColumnCheck.h"
#include "config/ConfigStore.h"
#include "grid/ExportCommands.h"
#include "rows/CellText.h"
#include "rows/GridRows.h"
#include "rows/RowOrder.h"
#include "rows/RowSort.h"
#include "scan/FieldNames.h"
#include "scan/FileActions.h"
#include "scan/KeptFiles.h"
#include "scan/ResultRow.h"

namespace nullsweep {

namespace {

// Column entry `index` of the configuration; throws when there is none.
TXMLNodeType columnEntry(int index) {
    return ConfigStore()->Root().nodes().Item(index);
}

ColumnAlignment alignmentOf(const std::string& align) {
    if (align == "right") return taRightJustify;
    if (align == "center") return taCenter;
    return taLeftJustify;
}

// Ends an update bracket of the column collection however the first pass ends.
struct ColumnsBracket {
    explicit ColumnsBracket(VTColumns& columns) : columns(columns) { columns.BeginUpdate(); }
    ~ColumnsBracket() { columns.EndUpdate(); }
    ColumnsBracket(const ColumnsBracket&) = delete;
    ColumnsBracket& operator=(const ColumnsBracket&) = delete;
    VTColumns& columns;
};

} // namespace

TCorvaneCtrl::TCorvaneCtrl(TVirtualStringTree& grid) : grid_(grid) {
    grid_.OnGetText = [this](PVirtualNode node, int column, VSTTextType type, std::string& text) {
        TreeGetText(node, column, type, text);
    };
    grid_.OnCompareNodes = [this](PVirtualNode a, PVirtualNode b, int column, int& result) {
        TreeCompareNodes(a, b, column, result);
    };
    grid_.OnHeaderClick = [this](int column, MouseButton button, int x, int y) {
        TreeHeaderClick(column, button, x, y);
    };
    grid_.OnGetHint = [this](PVirtualNode node, int column, std::string& hint) {
        TreeGetHint(node, column, hint);
    };
    grid_.OnGetDimmed = [this](PVirtualNode node) { return !keptReason(node).empty(); };
    grid_.OnDblClick = [this] { TreeDblClick(&grid_); };
}

TCorvaneCtrl::~TCorvaneCtrl() {
    grid_.OnGetText = nullptr;
    grid_.OnCompareNodes = nullptr;
    grid_.OnHeaderClick = nullptr;
    grid_.OnGetHint = nullptr;
    grid_.OnGetDimmed = nullptr;
    grid_.OnDblClick = nullptr;
}

void TCorvaneCtrl::SetupColumns(TVirtualStringTree& grid) {
    VTColumns& columns = grid.Columns();
    columns.Clear();
    const TXMLNodesType entries = ConfigStore()->Root().nodes();
    const int count = entries.Count();
    // A value that cannot be read is said with the file and the column it is in.
    const std::string file = TConfig::ConfigFileName();
    {
        ColumnsBracket bracket(columns);
        for (int i = 0; i < count; ++i) {
            const TXMLNodeType entry = entries.Item(i);
            VirtualTreeColumn& column = columns.Add();
            column.SetText(entry.Name());
            column.SetWidth(
                ReadColumnEntry(entry, i, "Width", file, [&] { return entry.Width(); }));
            column.SetColor(
                ReadColumnEntry(entry, i, "ReadOnly", file, [&] { return entry.ReadOnly(); })
                    ? ReadOnlyColor
                    : EditableColor);
            column.SetAlignment(alignmentOf(entry.Align()));
        }
    }
    // Each move sees the order the earlier ones left.
    for (int i = 0; i < count; ++i) {
        const TXMLNodeType entry = entries.Item(i);
        VirtualTreeColumn& column = columns.Items(std::uint32_t(i));
        column.SetPosition(ReadColumnEntry(entry, i, "Index", file, [&] { return entry.Index(); }));
        const std::uint32_t options = column.Options();
        const bool visible =
            ReadColumnEntry(entry, i, "Visible", file, [&] { return entry.Visible(); });
        column.SetOptions(visible ? options | coVisible : options & ~coVisible);
    }
}

void TCorvaneCtrl::SortGrid() {
    SortRows(grid_, grid_.SortColumn(), sortField_, grid_.SortDirection());
}

void TCorvaneCtrl::TreeGetText(PVirtualNode node, int column, VSTTextType,
                               std::string& cellText) const {
    // Qt paints from here, and nothing may be thrown into it: a cell that cannot be made says
    // why instead.
    try {
        const TXMLNodesType entries = ConfigStore()->Root().nodes();
        // No entry for this column: the cell keeps the grid's default (empty) text.
        if (column < 0 || column >= entries.Count()) return;
        const int field = FieldIndexOf(entries.Item(column).Name());
        cellText = FormatCell(field, RowOf(node), texts_);
    } catch (const std::exception& error) {
        cellText = CellProblemText(error);
    }
}

void TCorvaneCtrl::TreeCompareNodes(PVirtualNode node1, PVirtualNode node2, int,
                                    int& result) const {
    result = CompareRows(RowOf(node1), RowOf(node2), grid_.SortDirection(), sortField_);
}

void TCorvaneCtrl::TreeHeaderClick(int column, MouseButton button, int, int) {
    if (button != MouseButton::mbLeft) return;
    if (grid_.SortColumn() == -1) {
        grid_.SetSortColumn(column);
        grid_.SetSortDirection(sdAscending);
    } else {
        // The direction turns on every left click, also on another column.
        grid_.SetSortColumn(column);
        grid_.SetSortDirection(grid_.SortDirection() == sdAscending ? sdDescending : sdAscending);
    }
    sortField_ = FieldIndexOf(columnEntry(column).Name());
    SortGrid();
}

std::string_view TCorvaneCtrl::keptReason(PVirtualNode node) const {
    if (!node || grid_.NodeDataSize() < RowDataSize) return {};
    return KeptReasonOf(RowOf(node));
}

void TCorvaneCtrl::TreeGetHint(PVirtualNode node, int, std::string& hintText) const {
    // A kept file says why it starts unchecked.
    const std::string_view kept = keptReason(node);
    hintText = kept.empty() ? "Double click to open it in explorer." : std::string(kept);
}

void TCorvaneCtrl::TreeDblClick(const TVirtualStringTree* sender) const {
    if (sender == &grid_) OpenFocusedRow(grid_);
}

void TCorvaneCtrl::OpenFocusedRow(const TVirtualStringTree& grid) const {
    OpenInExplorer(grid);
}

XMLDocument& TCorvaneCtrl::exportDocument() const {
    if (!exportDocument_) throw std::logic_error("The grid controller has no export document");
    return *exportDocument_;
}

void TCorvaneCtrl::FillExportColumns(ExportColumns& list) const {
    nullsweep::FillExportColumns(list);
}

void TCorvaneCtrl::ExportToHTML(const TVirtualStringTree& grid) {
    RunExportCommand(ExportCommand::HTML, grid, exportDocument());
}

void TCorvaneCtrl::ExportToText(const TVirtualStringTree& grid) {
    RunExportCommand(ExportCommand::Text, grid, exportDocument());
}

void TCorvaneCtrl::ExportToExcel(const TVirtualStringTree& grid) {
    RunExportCommand(ExportCommand::Excel, grid, exportDocument());
}

void TCorvaneCtrl::ExportToCSV(const TVirtualStringTree& grid) {
    RunExportCommand(ExportCommand::CSV, grid, exportDocument());
}

void TCorvaneCtrl::ExportToXML(const TVirtualStringTree& grid) {
    RunExportCommand(ExportCommand::XML, grid, exportDocument());
}

} // namespace nullsweep
