// SPDX-License-Identifier: GPL-3.0-or-later
#include "grid/TreeView.h"

#include "grid/RunCommand.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

namespace nullsweep {

namespace {

// Draws each cell as usual, then its right and bottom edge: the grid's lines.
class GridLineDelegate final : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        painter->save();
        painter->setPen(QColor(0xC8, 0xCC, 0xD8));
        const QRect r = option.rect;
        painter->drawLine(r.topRight(), r.bottomRight());
        painter->drawLine(r.bottomLeft(), r.bottomRight());
        painter->restore();
    }
};

// QTreeView sizes its header by the header's size hint, so the fixed height goes there.
class FixedHeightHeader final : public QHeaderView {
  public:
    FixedHeightHeader(int height, QWidget* parent)
        : QHeaderView(Qt::Horizontal, parent), height_(height) {}
    QSize sizeHint() const override {
        QSize size = QHeaderView::sizeHint();
        size.setHeight(height_);
        return size;
    }

  private:
    int height_;
};

TMouseButton treeButton(Qt::MouseButton button) {
    switch (button) {
    case Qt::RightButton:
        return TMouseButton::mbRight;
    case Qt::MiddleButton:
        return TMouseButton::mbMiddle;
    default:
        return TMouseButton::mbLeft;
    }
}

} // namespace

TTreeView::TTreeView(TVirtualStringTree& tree, QWidget* parent)
    : QTreeView(parent), tree_(tree), model_(new TTreeModel(tree, this)) {
    auto* head = new FixedHeightHeader(HeaderHeight, this);
    setHeader(head);
    setModel(model_);
    setItemDelegate(new GridLineDelegate(this));

    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    setMouseTracking(true); // hot tracking
    setToolTip(QStringLiteral("Items"));

    QPalette colours = palette();
    colours.setColor(QPalette::Base, QColor(Background));
    for (auto role : {QPalette::Highlight, QPalette::HighlightedText})
        colours.setColor(QPalette::Inactive, role, colours.color(QPalette::Active, role));
    setPalette(colours);

    head->setSectionsClickable(true);
    head->setSortIndicatorShown(true);
    head->setSortIndicator(-1, Qt::AscendingOrder);
    head->setSectionsMovable(true);
    head->setFirstSectionMovable(true);
    head->setStretchLastSection(false);
    head->setSectionResizeMode(QHeaderView::Interactive);
    head->setStyleSheet(QStringLiteral("QHeaderView::section { background-color: %1;"
                                       " border: 0; border-right: 1px solid #5a7fc0;"
                                       " border-bottom: 1px solid #5a7fc0; padding: 0 4px; }")
                            .arg(QColor(HeaderBackground).name()));
    head->viewport()->installEventFilter(this);

    connect(head, &QHeaderView::sectionClicked, this,
            [this](int column) { headerClicked(column, TMouseButton::mbLeft, headerPressPos_); });
    connect(head, &QHeaderView::sectionMoved, this, [this](int column, int, int to) {
        if (!syncing_ && model_->TreeColumnOf(column).value_or(-1) >= 0)
            RunCommand([&] { tree_.Columns().Items(column).SetPosition(to); });
    });
    connect(head, &QHeaderView::sectionResized, this, [this](int column, int, int width) {
        if (!syncing_ && !header()->isSectionHidden(column) &&
            model_->TreeColumnOf(column).value_or(-1) >= 0)
            RunCommand([&] { tree_.Columns().Items(column).SetWidth(width); });
    });
    connect(model_, &TTreeModel::columnsUpdated, this, &TTreeView::applyColumns);
    connect(model_, &TTreeModel::headerUpdated, this, &TTreeView::applySortMark);
    connect(model_, &TTreeModel::focusUpdated, this, &TTreeView::applyFocus);
    // A reset clears the current row (and may re-create the header's sections); the tree keeps
    // both across it.
    connect(model_, &QAbstractItemModel::modelReset, this, [this] {
        applyColumns();
        applySortMark();
        applyFocus();
    });
    applyColumns();
    applySortMark();
}

void TTreeView::applyColumns() {
    const TVTColumns& columns = tree_.Columns();
    QHeaderView* h = header();
    if (h->count() != model_->columnCount()) return; // a reset is under way
    syncing_ = true;
    if (columns.Count() == 0 && h->count() == 1) {
        // The one section of a tree without columns: shown, whatever column 0 was before.
        setColumnHidden(0, false);
        if (h->sectionSize(0) == 0) h->resizeSection(0, h->defaultSectionSize());
    }
    for (std::uint32_t c = 0; c < columns.Count(); ++c) {
        const TVirtualTreeColumn& column = columns.Items(c);
        setColumnHidden(int(c), !column.Visible());
        h->resizeSection(int(c), column.Width());
    }
    const auto& order = columns.DisplayOrder();
    for (std::size_t position = 0; position < order.size(); ++position) {
        const int from = h->visualIndex(int(order[position]));
        if (from != int(position)) h->moveSection(from, int(position));
    }
    syncing_ = false;
}

void TTreeView::applySortMark() {
    header()->setSortIndicator(tree_.SortColumn(), tree_.SortDirection() == sdDescending
                                                       ? Qt::DescendingOrder
                                                       : Qt::AscendingOrder);
}

void TTreeView::applyFocus() {
    if (model_->Resetting()) return;
    const QModelIndex focus = model_->IndexOf(tree_.FocusedNode());
    if (focus == currentIndex()) return;
    syncing_ = true;
    if (focus.isValid())
        selectionModel()->setCurrentIndex(focus, QItemSelectionModel::ClearAndSelect |
                                                     QItemSelectionModel::Rows);
    else
        selectionModel()->clearCurrentIndex();
    syncing_ = false;
}

void TTreeView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTreeView::currentChanged(current, previous);
    if (!syncing_ && !model_->Resetting())
        RunCommand([&] { tree_.SetFocusedNode(TTreeModel::NodeOf(current)); });
}

void TTreeView::headerClicked(int column, TMouseButton button, QPoint position) {
    // The section of a tree without columns is no column to click.
    if (model_->TreeColumnOf(column).value_or(-1) < 0) {
        applySortMark();
        return;
    }
    RunCommand([&] {
        if (tree_.OnHeaderClick) tree_.OnHeaderClick(column, button, position.x(), position.y());
    });
    // The header flips its own mark on a left click; the tree's sort column says what it shows.
    applySortMark();
}

bool TTreeView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == header()->viewport()) {
        if (event->type() == QEvent::MouseButtonPress) {
            headerPressPos_ = static_cast<QMouseEvent*>(event)->position().toPoint();
        } else if (event->type() == QEvent::MouseButtonRelease) {
            // Qt reports left clicks only (sectionClicked); the others are routed from here.
            auto* mouse = static_cast<QMouseEvent*>(event);
            const int column = header()->logicalIndexAt(mouse->position().toPoint());
            if (mouse->button() != Qt::LeftButton && column >= 0)
                headerClicked(column, treeButton(mouse->button()), mouse->position().toPoint());
        }
    }
    return QTreeView::eventFilter(watched, event);
}

void TTreeView::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeView::mouseDoubleClickEvent(event);
    RunCommand([&] {
        if (tree_.OnDblClick) tree_.OnDblClick();
    });
}

// Qt makes the first row current when the view gets the keyboard focus; the grid does not: a
// row becomes focused only when the user picks it, so that Delete never acts on a row the user
// did not choose.
void TTreeView::focusInEvent(QFocusEvent* event) {
    const PVirtualNode before = tree_.FocusedNode();
    QTreeView::focusInEvent(event);
    if (!before && tree_.FocusedNode() && event->reason() != Qt::MouseFocusReason)
        tree_.SetFocusedNode(nullptr);
}

} // namespace nullsweep
