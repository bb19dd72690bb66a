// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/XmlDocument.h"
#include "export/ExportRows.h"
#include "rows/VirtualTree.h"
#include "scan/RowText.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace nullsweep {

// Gives the main window's result grid its behaviour: which columns exist and how they look,
// what each cell shows, how rows are ordered, what a header click, the hint and a double click
// do. It keeps no rows and no column table: every column property, and the field a column
// stands for, is read from the configuration (ConfigStore()->Root()) when it is needed, and
// nothing is ever written back. Grid column i (creation order, not display order) always
// belongs to column entry i of the configuration.
//
// One controller lives from the main window's first showing until the program ends; the grid
// must outlive it. Everything runs on the user-interface thread.
class TCorvaneCtrl {
  public:
    // Create: takes the main window's grid, sets SortField to 0 ("File Name") and claims six
    // of the grid's events (OnGetText, OnCompareNodes, OnHeaderClick, OnGetHint, OnGetDimmed,
    // OnDblClick), replacing whatever was assigned to them.
    explicit TCorvaneCtrl(TVirtualStringTree& grid);
    // Releases those events, so that a grid outliving its controller calls nothing of it.
    ~TCorvaneCtrl();
    TCorvaneCtrl(const TCorvaneCtrl&) = delete;
    TCorvaneCtrl& operator=(const TCorvaneCtrl&) = delete;

    TVirtualStringTree& Grid() const { return grid_; }
    // The field by which rows of one kind are ordered; changed only by a left header click.
    std::uint8_t SortField() const { return sortField_; }

    // Builds the grid's columns from the configuration's column entries: caption, width,
    // colour and alignment first (in one update bracket of the columns), then display position
    // and visibility one entry after another. Catches nothing: a configuration that cannot be
    // loaded, or an attribute that cannot be read as its type, stops the setup there (columns
    // already added stay) and the error passes to the caller.
    void SetupColumns(TVirtualStringTree& grid);

    // Sorts all rows by the header's sort column and direction, in exactly the order that
    // SortTree through TreeCompareNodes gives, each row's key prepared once.
    void SortGrid();

    // The grid's events.
    void TreeGetText(PVirtualNode node, int column, VSTTextType textType,
                     std::string& cellText) const;
    void TreeCompareNodes(PVirtualNode node1, PVirtualNode node2, int column, int& result) const;
    void TreeHeaderClick(int column, MouseButton button, int x, int y);
    void TreeGetHint(PVirtualNode node, int column, std::string& hintText) const;
    void TreeDblClick(const TVirtualStringTree* sender) const;

    // Opens the focused row's folder (the row's own folder for a "file" row) in the file
    // manager; nothing without a focused row or with an empty path.
    void OpenFocusedRow(const TVirtualStringTree& grid) const;

    // The export commands of the grid's pop-up menu (ExportCommands.h). They use the export
    // document given to SetExportDocument (the main window's; not owned), which must outlive
    // the controller.
    void SetExportDocument(XMLDocument* doc) { exportDocument_ = doc; }
    void FillExportColumns(ExportColumns& list) const;
    void ExportToHTML(const TVirtualStringTree& grid);
    void ExportToText(const TVirtualStringTree& grid);
    void ExportToExcel(const TVirtualStringTree& grid);
    void ExportToCSV(const TVirtualStringTree& grid);
    void ExportToXML(const TVirtualStringTree& grid);

    // Colours of a read-only column and of any other ($00BBGGRR).
    static constexpr ColumnColor ReadOnlyColor = 0x00FFF3EF;
    static constexpr ColumnColor EditableColor = clInfoBk;

  private:
    XMLDocument& exportDocument() const;
    // The row's kept reason; empty for a row that may go or a grid without rows.
    std::string_view keptReason(PVirtualNode node) const;

    TVirtualStringTree& grid_;
    std::uint8_t sortField_ = 0;
    mutable RowText texts_; // asked from the paint of a cell
    XMLDocument* exportDocument_ = nullptr;
};

} // namespace nullsweep
