// SPDX-License-Identifier: GPL-3.0-or-later
#include "grid/GridHeader.h"

#include "grid/GridLook.h"
#include "grid/TreeView.h"

#include <QPainter>

namespace nullsweep {

QSize GridHeader::sizeHint() const {
    QSize size = QHeaderView::sizeHint();
    size.setHeight(TreeView::HeaderHeight);
    return size;
}

void GridHeader::SetHotSection(int section) {
    if (section == hot_) return;
    hot_ = section;
    viewport()->update();
}

void GridHeader::paintSection(QPainter* painter, const QRect& rect, int section) const {
    if (!rect.isValid()) return;
    painter->save();
    QColor fill(TreeView::HeaderBackground);
    if (section == hot_) fill = fill.lighter(112);
    painter->fillRect(rect, fill);
    painter->setPen(QColor(0x5a, 0x7f, 0xc0));
    painter->drawLine(rect.topRight(), rect.bottomRight());
    painter->drawLine(rect.bottomLeft(), rect.bottomRight());

    const bool sorted = isSortIndicatorShown() && sortIndicatorSection() == section;
    const QRect text =
        rect.adjusted(TreeView::HeaderTextMargin, 0,
                      -TreeView::HeaderTextMargin - (sorted ? TreeView::SortMarkSpace : 0), -1);
    const QColor ink = TextColourOn(fill, palette().color(QPalette::ButtonText));
    painter->setPen(ink);
    const QVariant align = model()->headerData(section, orientation(), Qt::TextAlignmentRole);
    const Qt::Alignment alignment =
        align.isValid() ? Qt::Alignment(align.toInt()) : (Qt::AlignLeft | Qt::AlignVCenter);
    const QString caption = model()->headerData(section, orientation()).toString();
    painter->drawText(text, int(alignment),
                      fontMetrics().elidedText(caption, Qt::ElideRight, text.width()));

    if (sorted) {
        // A small triangle, pointing up for ascending and down for descending.
        const int right = rect.right() - TreeView::HeaderTextMargin;
        const int middle = rect.center().y();
        const bool up = sortIndicatorOrder() == Qt::AscendingOrder;
        const QPolygon mark =
            up ? QPolygon({QPoint(right - 6, middle + 2), QPoint(right, middle + 2),
                           QPoint(right - 3, middle - 2)})
               : QPolygon({QPoint(right - 6, middle - 2), QPoint(right, middle - 2),
                           QPoint(right - 3, middle + 2)});
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setBrush(ink);
        painter->drawPolygon(mark);
    }
    painter->restore();
}

} // namespace nullsweep
