// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStyledItemDelegate>

namespace nullsweep {

class TreeView;

// Draws each cell above and left of its grid lines, tinted while the mouse is over its row, then
// the lines. Every row has the same height: the font's, a pixel above and below, and the line.
class GridLineDelegate final : public QStyledItemDelegate {
  public:
    explicit GridLineDelegate(TreeView* view);

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

  private:
    TreeView* view_;
};

} // namespace nullsweep
