// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "grid/TreeModel.h"
#include "rows/VirtualTree.h"

#include <QTreeView>

namespace nullsweep {

// The result grid on screen: a QTreeView over a TreeModel of `tree`, set up as the grid is
// (check boxes, full-row selection, grid lines, a 17-pixel header with sort marks, movable and
// resizable columns, cell hints, the grid's colours), that hands the user's actions to the
// tree's events:
//   - a click on a header section -> OnHeaderClick with the button (left, right or middle);
//     Qt's own sorting is off, the sort mark always shows the tree's SortColumn/SortDirection;
//   - a double click anywhere in the rows area -> OnDblClick;
//   - a click on a check box -> ToggleCheckState (through the model);
//   - the current row <-> the tree's FocusedNode, both ways.
// The columns on screen follow the tree's column collection (caption, width, alignment, colour,
// display order, visibility); the user's moves and resizes are written back into it.
// Handlers run inside RunCommand: what they throw is dropped.
class TreeView final : public QTreeView {
    Q_OBJECT

  public:
    explicit TreeView(TVirtualStringTree& tree, QWidget* parent = nullptr);

    TVirtualStringTree& Tree() const { return tree_; }
    TreeModel& Model() const { return *model_; }

    // Grid background and header colours ($00BBGGRR 0x00FFF3EF and 0x00FFAA7B).
    static constexpr QRgb Background = qRgb(239, 243, 255);
    static constexpr QRgb HeaderBackground = qRgb(123, 170, 255);
    static constexpr int HeaderHeight = 17;
    // A caption keeps this much room at each end, and the sorted column's also room for the mark.
    static constexpr int HeaderTextMargin = 4;
    static constexpr int SortMarkSpace = 10;

    // The grid's font: a narrow face of the desktop's font size or smaller (see FitFontTo).
    static QFont GridFont(const QFont& desktop);
    // Sets the grid's font at the largest size up to 8 points at which `timeText`, a date and
    // time as the cells show them, fits a time column's 110 pixels. Until called, a text such
    // as "28 Dec 2026 23:59:59" is fitted.
    void FitFontTo(const QString& timeText);
    // Every row's height: the font's or the check box's, a pixel above and below, the grid line.
    int RowHeight() const;
    // The column (-1: none) that takes the width the others leave, growing with the window;
    // the others keep their widths.
    void SetStretchColumn(int column);

  protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;
    void selectionChanged(const QItemSelection& selected,
                          const QItemSelection& deselected) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    bool viewportEvent(QEvent* event) override;

  private:
    void applyColumns();
    void applySortMark();
    void applyFocus();
    void applyHighlight();
    void applyColours();
    void headerClicked(int column, MouseButton button, QPoint position);

    TVirtualStringTree& tree_;
    TreeModel* model_;
    int stretchColumn_ = -1;
    bool syncing_ = false;
    bool highlighting_ = false;
    QPoint headerPressPos_;
};

} // namespace nullsweep
