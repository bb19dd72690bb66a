// SPDX-License-Identifier: GPL-3.0-or-later
#include "grid/GridLineDelegate.h"

#include "grid/TreeView.h"

#include <QApplication>
#include <QPainter>

namespace nullsweep {

GridLineDelegate::GridLineDelegate(TreeView* view) : QStyledItemDelegate(view), view_(view) {}

QSize GridLineDelegate::sizeHint(const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(view_->RowHeight());
    return size;
}

void GridLineDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    const bool hot =
        (cell.state & QStyle::State_MouseOver) && !(cell.state & QStyle::State_Selected);
    // The view draws its own focus frame around the whole row, and its own hover tint.
    cell.state &= ~(QStyle::State_HasFocus | QStyle::State_MouseOver);
    if (hot) {
        const QColor base = cell.backgroundBrush.style() == Qt::NoBrush
                                ? cell.palette.color(QPalette::Base)
                                : cell.backgroundBrush.color();
        const QColor tint = cell.palette.color(QPalette::Highlight);
        cell.backgroundBrush = QColor::fromRgbF(base.redF() * 0.82 + tint.redF() * 0.18,
                                                base.greenF() * 0.82 + tint.greenF() * 0.18,
                                                base.blueF() * 0.82 + tint.blueF() * 0.18);
    }
    cell.rect.adjust(0, 0, -1, -1);
    const QWidget* widget = cell.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);
    painter->save();
    painter->setPen(QColor(0xC8, 0xCC, 0xD8));
    const QRect r = option.rect;
    painter->drawLine(r.topRight(), r.bottomRight());
    painter->drawLine(r.bottomLeft(), r.bottomRight());
    painter->restore();
}

} // namespace nullsweep
