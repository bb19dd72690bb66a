// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "rows/VirtualTree.h"

#include <QAbstractItemModel>
#include <QColor>

#include <optional>

namespace nullsweep {

// Presents a TVirtualStringTree to Qt's item views. It stores nothing per row: the model index's
// internal pointer is the node, the row is the node's Index, and every text is asked of the tree
// (OnGetText, OnGetHint) when the view wants it. Each update bracket of the tree becomes one
// model reset; changes outside a bracket become single inserts and removals, and a sort is a
// layout change with the persistent indexes moved along with their nodes.
//
// The model observes the tree from construction until it is destroyed; the tree must outlive it.
class TreeModel final : public QAbstractItemModel, private TreeObserver {
    Q_OBJECT

  public:
    explicit TreeModel(TVirtualStringTree& tree, QObject* parent = nullptr);
    ~TreeModel() override;

    TVirtualStringTree& Tree() const { return tree_; }
    // True between the start and the end of a reset (an update bracket with changes).
    bool Resetting() const { return resetting_; }

    // The tree column that a section of the model shows: the section itself, or NoColumn (-1)
    // in the one section that a tree without columns is shown in, as the grid shows its rows
    // when its header has no columns; nullopt for a section that shows nothing of the tree.
    std::optional<int> TreeColumnOf(int section) const;

    // The index of a node in column 0; invalid for none or the root.
    QModelIndex IndexOf(PVirtualNode node, int column = 0) const;
    // The node of an index; null for an invalid index.
    static PVirtualNode NodeOf(const QModelIndex& index);

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // The colour behind cells whose column has none of its own; every cell's text colour
    // (ForegroundRole) is one that reads on the cell's background, dimmed for dimmed rows.
    void SetCellBackground(const QColor& colour) { cellBackground_ = colour; }

    // The column whose cells carry the check boxes (the tree's main column).
    static constexpr int CheckColumn = 0;

  Q_SIGNALS:
    // The column collection changed (count, caption, width, alignment, colour, order,
    // visibility); a view re-reads it.
    void columnsUpdated();
    // The header's sort column or direction changed.
    void headerUpdated();
    // The tree's focused node changed.
    void focusUpdated();

  private:
    void nodesAboutToBeAdded(PVirtualNode parent, std::uint32_t first, std::uint32_t last) override;
    void nodesAdded() override;
    void nodeAboutToBeRemoved(PVirtualNode node) override;
    void nodeRemoved() override;
    void resetBegun() override;
    void resetEnded() override;
    void sortBegun() override;
    void sortEnded() override;
    void contentChanged() override;
    void columnsChanged() override;
    void headerChanged() override;
    void focusChanged() override;

    PVirtualNode parentNode(const QModelIndex& parent) const;
    // How many columns the model shows: the tree's, and one while the tree has none.
    int shownColumnCount() const;
    void syncColumnCount();

    TVirtualStringTree& tree_;
    int columnCount_ = 0;
    bool resetting_ = false;
    QColor cellBackground_{Qt::white};
};

} // namespace nullsweep
