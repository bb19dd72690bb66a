// SPDX-License-Identifier: GPL-3.0-or-later
#include "grid/TreeView.h"

#include "desktop/RunCommand.h"
#include "grid/GridHeader.h"
#include "grid/GridLineDelegate.h"
#include "grid/GridLook.h"

#include <QApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>

namespace nullsweep {

namespace {

// The texts shown in a font narrow enough that a date and time such as this one fits a time
// column as on the desktop the grid was laid out for.
const QString FitSample = QStringLiteral("28 Dec 2026 23:59:59");
constexpr int TimeColumnWidth = 110;
const QStringList GridFamilies = {
    QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("Liberation Sans Narrow"),
    QStringLiteral("Nimbus Sans Narrow"), QStringLiteral("DejaVu Sans")};

// The margin an item view keeps on each side of a cell's text.
int cellTextMargin(const QWidget* view) {
    return view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
}

MouseButton treeButton(Qt::MouseButton button) {
    switch (button) {
    case Qt::RightButton:
        return MouseButton::mbRight;
    case Qt::MiddleButton:
        return MouseButton::mbMiddle;
    default:
        return MouseButton::mbLeft;
    }
}

} // namespace

TreeView::TreeView(TVirtualStringTree& tree, QWidget* parent)
    : QTreeView(parent), tree_(tree), model_(new TreeModel(tree, this)) {
    auto* head = new GridHeader(this);
    setHeader(head);
    setModel(model_);
    setItemDelegate(new GridLineDelegate(this));
    FitFontTo(FitSample);
    applyColours();

    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    setMouseTracking(true); // hot tracking
    viewport()->setAttribute(Qt::WA_Hover);
    setToolTip(QStringLiteral("Items"));
    // A long path keeps both ends, so its file name shows.
    setTextElideMode(Qt::ElideMiddle);

    head->setSectionsClickable(true);
    head->setSortIndicatorShown(true);
    head->setSortIndicator(-1, Qt::AscendingOrder);
    head->setSectionsMovable(true);
    head->setFirstSectionMovable(true);
    head->setStretchLastSection(false);
    head->setSectionResizeMode(QHeaderView::Interactive);
    head->viewport()->setMouseTracking(true);
    head->viewport()->installEventFilter(this);

    connect(head, &QHeaderView::sectionClicked, this,
            [this](int column) { headerClicked(column, MouseButton::mbLeft, headerPressPos_); });
    connect(head, &QHeaderView::sectionMoved, this, [this](int column, int, int to) {
        if (!syncing_ && model_->TreeColumnOf(column).value_or(-1) >= 0)
            RunCommand([&] { tree_.Columns().Items(column).SetPosition(to); });
    });
    connect(head, &QHeaderView::sectionResized, this, [this](int column, int, int width) {
        if (!syncing_ && !header()->isSectionHidden(column) && column != stretchColumn_ &&
            model_->TreeColumnOf(column).value_or(-1) >= 0)
            RunCommand([&] { tree_.Columns().Items(column).SetWidth(width); });
    });
    connect(model_, &TreeModel::columnsUpdated, this, &TreeView::applyColumns);
    connect(model_, &TreeModel::headerUpdated, this, &TreeView::applySortMark);
    connect(model_, &TreeModel::focusUpdated, this, &TreeView::applyFocus);
    // A reset clears the current row (and may re-create the header's sections); the tree keeps
    // both across it.
    connect(model_, &QAbstractItemModel::modelReset, this, [this] {
        applyColumns();
        applySortMark();
        applyFocus();
    });
    connect(model_, &QAbstractItemModel::layoutChanged, this, [this] { applyFocus(); });
    applyColumns();
    applySortMark();
}

QFont TreeView::GridFont(const QFont& desktop) {
    QFont font = desktop;
    font.setFamilies(GridFamilies);
    return font;
}

void TreeView::FitFontTo(const QString& timeText) {
    setFont(FittingFont(GridFont(QApplication::font(this)), 8, timeText,
                        TimeColumnWidth - 2 * cellTextMargin(this) - 1));
    doItemsLayout(); // rows of the new height
}

int TreeView::RowHeight() const {
    const int indicator = style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, this);
    return std::max(fontMetrics().height(), indicator) + 2 + 1;
}

// The grid's fixed light colours, and texts and a highlight that show on them whatever the
// desktop's theme; the highlight stays as strong when the window is not active.
void TreeView::applyColours() {
    const QPalette theme = QApplication::palette(this);
    QPalette colours = theme;
    const QColor base(Background);
    QColor highlight = theme.color(QPalette::Active, QPalette::Highlight);
    if (ContrastRatio(highlight, base) < 2.0) highlight = QColor(48, 140, 198);
    const QColor highlightText =
        TextColourOn(highlight, theme.color(QPalette::Active, QPalette::HighlightedText));
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        colours.setColor(group, QPalette::Base, base);
        colours.setColor(group, QPalette::Text,
                         TextColourOn(base, theme.color(QPalette::Active, QPalette::Text)));
        colours.setColor(group, QPalette::Highlight, highlight);
        colours.setColor(group, QPalette::HighlightedText, highlightText);
    }
    setPalette(colours);
    model_->SetCellBackground(base);
}

void TreeView::applyColumns() {
    const VTColumns& columns = tree_.Columns();
    QHeaderView* h = header();
    if (h->count() != model_->columnCount()) return; // a reset is under way
    syncing_ = true;
    if (columns.Count() == 0 && h->count() == 1) {
        // The one section of a tree without columns: shown, whatever column 0 was before.
        setColumnHidden(0, false);
        if (h->sectionSize(0) == 0) h->resizeSection(0, h->defaultSectionSize());
    }
    for (std::uint32_t c = 0; c < columns.Count(); ++c) {
        const VirtualTreeColumn& column = columns.Items(c);
        setColumnHidden(int(c), !column.Visible());
        const bool stretch = int(c) == stretchColumn_;
        h->setSectionResizeMode(int(c), stretch ? QHeaderView::Stretch : QHeaderView::Interactive);
        if (!stretch) h->resizeSection(int(c), column.Width());
    }
    const auto& order = columns.DisplayOrder();
    for (std::size_t position = 0; position < order.size(); ++position) {
        const int from = h->visualIndex(int(order[position]));
        if (from != int(position)) h->moveSection(from, int(position));
    }
    syncing_ = false;
}

void TreeView::SetStretchColumn(int column) {
    stretchColumn_ = column;
    applyColumns();
}

void TreeView::applySortMark() {
    QHeaderView* h = header();
    const int sorted = tree_.SortColumn();
    h->setSortIndicator(sorted, tree_.SortDirection() == sdDescending ? Qt::DescendingOrder
                                                                      : Qt::AscendingOrder);
    // A sorted column too narrow for its caption and the mark grows until both show.
    if (sorted < 0 || sorted >= h->count() || sorted == stretchColumn_) return;
    const QString caption = model_->headerData(sorted, Qt::Horizontal).toString();
    const int needed =
        h->fontMetrics().horizontalAdvance(caption) + 2 * HeaderTextMargin + SortMarkSpace;
    if (h->sectionSize(sorted) < needed) h->resizeSection(sorted, needed);
}

// A cell whose text is cut shows the whole text as its tooltip; others show their hint.
bool TreeView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QModelIndex index = indexAt(help->pos());
        if (index.isValid()) {
            const QString text = index.data(Qt::DisplayRole).toString();
            QRect cell = visualRect(index);
            int room = cell.width() - 2 * cellTextMargin(this) - 1;
            if (index.data(Qt::CheckStateRole).isValid())
                room -= style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, this) +
                        2 * cellTextMargin(this);
            if (fontMetrics().horizontalAdvance(text) > room) {
                QToolTip::showText(help->globalPos(), text, viewport(), cell);
                return true;
            }
        }
    }
    return QTreeView::viewportEvent(event);
}

void TreeView::applyFocus() {
    if (model_->Resetting()) return;
    const PVirtualNode focused = tree_.FocusedNode();
    if (focused != TreeModel::NodeOf(currentIndex())) {
        syncing_ = true;
        if (focused)
            selectionModel()->setCurrentIndex(model_->IndexOf(focused),
                                              QItemSelectionModel::ClearAndSelect |
                                                  QItemSelectionModel::Rows);
        else
            selectionModel()->clearCurrentIndex();
        syncing_ = false;
    }
    applyHighlight();
}

// The highlighted row is the current row, the one Delete acts on, or there is none: Qt may
// select without moving the current row (a click on the empty area, a focus change) and move
// it without selecting.
void TreeView::applyHighlight() {
    if (highlighting_ || model_->Resetting() || !selectionModel()) return;
    QItemSelectionModel* selection = selectionModel();
    const QModelIndex current = currentIndex();
    bool matches = !current.isValid() || selection->isRowSelected(current.row(), current.parent());
    for (const QModelIndex& index : selection->selectedIndexes())
        matches = matches && current.isValid() && index.row() == current.row() &&
                  index.parent() == current.parent();
    if (matches) return;
    highlighting_ = true;
    if (current.isValid())
        selection->select(current, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    else
        selection->clearSelection();
    highlighting_ = false;
}

void TreeView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTreeView::currentChanged(current, previous);
    if (!syncing_ && !model_->Resetting())
        RunCommand([&] { tree_.SetFocusedNode(TreeModel::NodeOf(current)); });
    applyHighlight();
    viewport()->update();
}

void TreeView::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) {
    QTreeView::selectionChanged(selected, deselected);
    applyHighlight();
}

// Keyboard focus shows as a dotted frame around the focused row, or around the grid when no
// row is focused.
void TreeView::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                       const QModelIndex& index) const {
    QTreeView::drawRow(painter, option, index);
    const QModelIndex current = currentIndex();
    if (!hasFocus() || !current.isValid() || index.row() != current.row() ||
        index.parent() != current.parent())
        return;
    painter->save();
    QPen pen(palette().color(QPalette::HighlightedText));
    pen.setStyle(Qt::DotLine);
    painter->setPen(pen);
    const int right = std::min(header()->length() - header()->offset(), viewport()->width());
    painter->drawRect(QRect(option.rect.left(), option.rect.top(), right - option.rect.left(),
                            option.rect.height() - 1)
                          .adjusted(0, 0, -1, -1));
    painter->restore();
}

void TreeView::paintEvent(QPaintEvent* event) {
    QTreeView::paintEvent(event);
    if (!hasFocus() || currentIndex().isValid()) return;
    QPainter painter(viewport());
    QPen pen(palette().color(QPalette::Text));
    pen.setStyle(Qt::DotLine);
    painter.setPen(pen);
    painter.drawRect(viewport()->rect().adjusted(0, 0, -1, -1));
}

void TreeView::focusOutEvent(QFocusEvent* event) {
    QTreeView::focusOutEvent(event);
    viewport()->update();
}

void TreeView::headerClicked(int column, MouseButton button, QPoint position) {
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

bool TreeView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == header()->viewport()) {
        if (event->type() == QEvent::MouseMove) {
            const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
            static_cast<GridHeader*>(header())->SetHotSection(header()->logicalIndexAt(at));
        } else if (event->type() == QEvent::Leave) {
            static_cast<GridHeader*>(header())->SetHotSection(-1);
        } else if (event->type() == QEvent::MouseButtonPress) {
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

void TreeView::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeView::mouseDoubleClickEvent(event);
    RunCommand([&] {
        if (tree_.OnDblClick) tree_.OnDblClick();
    });
}

// Qt makes the first row current when the view gets the keyboard focus; the grid does not: a
// row becomes focused only when the user picks it, so that Delete never acts on a row the user
// did not choose.
void TreeView::focusInEvent(QFocusEvent* event) {
    const PVirtualNode before = tree_.FocusedNode();
    QTreeView::focusInEvent(event);
    if (!before && tree_.FocusedNode() && event->reason() != Qt::MouseFocusReason)
        tree_.SetFocusedNode(nullptr);
    applyHighlight();
    viewport()->update();
}

} // namespace nullsweep
