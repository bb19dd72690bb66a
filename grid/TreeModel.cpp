// SPDX-License-Identifier: GPL-3.0-or-later
#include "grid/TreeModel.h"

#include "grid/GridLook.h"

#include <QColor>
#include <QFile>
#include <QGuiApplication>
#include <QPalette>

#include <algorithm>

namespace nullsweep {

namespace {

QString decoded(const std::string& bytes) {
    return QFile::decodeName(QByteArray::fromRawData(bytes.data(), qsizetype(bytes.size())));
}

Qt::Alignment qtAlignment(ColumnAlignment alignment) {
    switch (alignment) {
    case taLeftJustify:
        return Qt::AlignLeft | Qt::AlignVCenter;
    case taRightJustify:
        return Qt::AlignRight | Qt::AlignVCenter;
    case taCenter:
        return Qt::AlignHCenter | Qt::AlignVCenter;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}

// $00BBGGRR, or a system colour resolved through the application's palette. The window colour
// is the view's own background, so it yields nothing.
QVariant qtColor(ColumnColor color) {
    if (!IsSystemColor(color))
        return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
    if (color == clInfoBk) return QGuiApplication::palette().color(QPalette::ToolTipBase);
    return {};
}

} // namespace

TreeModel::TreeModel(TVirtualStringTree& tree, QObject* parent)
    : QAbstractItemModel(parent), tree_(tree) {
    columnCount_ = shownColumnCount();
    tree_.SetObserver(this);
}

TreeModel::~TreeModel() {
    tree_.SetObserver(nullptr);
}

int TreeModel::shownColumnCount() const {
    return std::max(1, int(tree_.Columns().Count()));
}

std::optional<int> TreeModel::TreeColumnOf(int section) const {
    const int count = int(tree_.Columns().Count());
    if (count == 0 && section == 0) return -1;
    if (section < 0 || section >= count) return std::nullopt;
    return section;
}

PVirtualNode TreeModel::NodeOf(const QModelIndex& index) {
    return index.isValid() ? static_cast<PVirtualNode>(index.internalPointer()) : nullptr;
}

QModelIndex TreeModel::IndexOf(PVirtualNode node, int column) const {
    if (!node || node == tree_.RootNode() || column < 0 || column >= columnCount_) return {};
    return createIndex(int(node->Index), column, node);
}

PVirtualNode TreeModel::parentNode(const QModelIndex& parent) const {
    return parent.isValid() ? NodeOf(parent) : tree_.RootNode();
}

QModelIndex TreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (row < 0 || column < 0 || column >= columnCount_) return {};
    if (parent.isValid() && parent.column() != 0) return {};
    PVirtualNode node = parentNode(parent)->ChildAt(std::uint32_t(row));
    return node ? createIndex(row, column, node) : QModelIndex();
}

QModelIndex TreeModel::parent(const QModelIndex& child) const {
    PVirtualNode node = NodeOf(child);
    return node ? IndexOf(node->Parent) : QModelIndex();
}

int TreeModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() && parent.column() != 0) return 0;
    return int(parentNode(parent)->ChildCount());
}

int TreeModel::columnCount(const QModelIndex&) const {
    return columnCount_;
}

bool TreeModel::hasChildren(const QModelIndex& parent) const {
    return rowCount(parent) > 0;
}

QVariant TreeModel::data(const QModelIndex& index, int role) const {
    PVirtualNode node = NodeOf(index);
    const std::optional<int> treeColumn = TreeColumnOf(index.column());
    if (!node || !treeColumn) return {};
    const int column = *treeColumn;
    switch (role) {
    case Qt::DisplayRole:
        tree_.InitNode(node);
        return decoded(tree_.GetText(node, column));
    case Qt::CheckStateRole:
        tree_.InitNode(node);
        if (index.column() != CheckColumn || node->CheckType != ctCheckBox) return {};
        switch (node->CheckState) {
        case csCheckedNormal:
        case csCheckedPressed:
            return Qt::Checked;
        case csMixedNormal:
        case csMixedPressed:
            return Qt::PartiallyChecked;
        case csUncheckedNormal:
        case csUncheckedPressed:
            return Qt::Unchecked;
        }
        return {};
    case Qt::ToolTipRole:
        return decoded(tree_.GetHint(node, column));
    case Qt::AccessibleDescriptionRole:
        // A dimmed (kept) row's hint says why; screen readers read it, not only a tooltip.
        if (!tree_.OnGetDimmed || !tree_.OnGetDimmed(node)) return {};
        return decoded(tree_.GetHint(node, column));
    case Qt::ForegroundRole: {
        QColor background = cellBackground_;
        if (column >= 0)
            if (const QVariant own = qtColor(tree_.Columns().Items(column).Color()); own.isValid())
                background = own.value<QColor>();
        if (tree_.OnGetDimmed && tree_.OnGetDimmed(node)) return DimmedTextOn(background);
        return TextColourOn(background, QGuiApplication::palette().color(QPalette::Text));
    }
    case Qt::TextAlignmentRole:
        if (column < 0) return {};
        return int(qtAlignment(tree_.Columns().Items(column).Alignment()));
    case Qt::BackgroundRole:
        if (column < 0) return {};
        return qtColor(tree_.Columns().Items(column).Color());
    default:
        return {};
    }
}

bool TreeModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    PVirtualNode node = NodeOf(index);
    if (!node || role != Qt::CheckStateRole || index.column() != CheckColumn ||
        node->CheckType != ctCheckBox)
        return false;
    const bool wantChecked = value.value<Qt::CheckState>() == Qt::Checked;
    if (wantChecked != (node->CheckState == csCheckedNormal)) tree_.ToggleCheckState(node);
    return true;
}

Qt::ItemFlags TreeModel::flags(const QModelIndex& index) const {
    PVirtualNode node = NodeOf(index);
    if (!node) return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    tree_.InitNode(node);
    if (index.column() == CheckColumn && node->CheckType == ctCheckBox)
        result |= Qt::ItemIsUserCheckable;
    return result;
}

QVariant TreeModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount_) return {};
    const std::optional<int> treeColumn = TreeColumnOf(section);
    if (!treeColumn || *treeColumn < 0) // no caption, not the section's number
        return role == Qt::DisplayRole ? QVariant(QString()) : QVariant();
    const VirtualTreeColumn& column = tree_.Columns().Items(std::uint32_t(*treeColumn));
    switch (role) {
    case Qt::DisplayRole:
        return decoded(column.Text());
    case Qt::AccessibleTextRole:
        // The blanks that make room for the Check All box are not read out.
        return decoded(column.Text()).trimmed();
    case Qt::TextAlignmentRole:
        return int(qtAlignment(column.Alignment()));
    default:
        return {};
    }
}

void TreeModel::nodesAboutToBeAdded(PVirtualNode parent, std::uint32_t first, std::uint32_t last) {
    beginInsertRows(IndexOf(parent), int(first), int(last));
}

void TreeModel::nodesAdded() {
    endInsertRows();
}

void TreeModel::nodeAboutToBeRemoved(PVirtualNode node) {
    beginRemoveRows(IndexOf(node->Parent), int(node->Index), int(node->Index));
}

void TreeModel::nodeRemoved() {
    endRemoveRows();
}

void TreeModel::resetBegun() {
    resetting_ = true;
    beginResetModel();
}

void TreeModel::resetEnded() {
    columnCount_ = shownColumnCount();
    resetting_ = false;
    endResetModel();
}

void TreeModel::sortBegun() {
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
}

// A persistent index keeps its node as internal pointer, and the node knows its new row.
void TreeModel::sortEnded() {
    QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& index : from) {
        PVirtualNode node = NodeOf(index);
        to.append(node ? createIndex(int(node->Index), index.column(), node) : QModelIndex());
    }
    changePersistentIndexList(from, to);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void TreeModel::contentChanged() {
    const int rows = rowCount();
    if (rows > 0 && columnCount_ > 0)
        Q_EMIT dataChanged(index(0, 0), index(rows - 1, columnCount_ - 1));
}

void TreeModel::syncColumnCount() {
    const int count = shownColumnCount();
    if (resetting_ || count == columnCount_) {
        columnCount_ = count;
        return;
    }
    if (count > columnCount_) {
        beginInsertColumns({}, columnCount_, count - 1);
        columnCount_ = count;
        endInsertColumns();
    } else {
        beginRemoveColumns({}, count, columnCount_ - 1);
        columnCount_ = count;
        endRemoveColumns();
    }
}

void TreeModel::columnsChanged() {
    syncColumnCount();
    if (columnCount_ > 0) Q_EMIT headerDataChanged(Qt::Horizontal, 0, columnCount_ - 1);
    Q_EMIT columnsUpdated();
}

void TreeModel::headerChanged() {
    Q_EMIT headerUpdated();
}

void TreeModel::focusChanged() {
    Q_EMIT focusUpdated();
}

} // namespace nullsweep
