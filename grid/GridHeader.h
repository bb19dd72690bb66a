// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHeaderView>

namespace nullsweep {

// The header in the grid's own colours, whatever the theme: a fixed height (QTreeView sizes
// its header by the size hint), captions in a colour that reads on the fill, kept clear of the
// sort mark, and the section under the mouse lighter.
class GridHeader final : public QHeaderView {
  public:
    explicit GridHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {}

    QSize sizeHint() const override;
    // The section drawn lighter, the one under the mouse (-1: none).
    void SetHotSection(int section);

  protected:
    void paintSection(QPainter* painter, const QRect& rect, int section) const override;

  private:
    int hot_ = -1;
};

} // namespace nullsweep
