// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "rows/NodePool.h"
#include "rows/TreeColumns.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace nullsweep {

enum TCheckState : std::uint8_t {
    csUncheckedNormal = 0,
    csUncheckedPressed = 1,
    csCheckedNormal = 2,
    csCheckedPressed = 3,
    csMixedNormal = 4,
    csMixedPressed = 5,
};

enum TCheckType : std::uint8_t {
    ctNone = 0,
    ctTriStateCheckBox = 1,
    ctCheckBox = 2,
    ctRadioButton = 3,
    ctButton = 4,
};

enum SortOrder : std::uint8_t { sdAscending = 0, sdDescending = 1 };

enum class MouseButton : std::uint8_t { mbLeft, mbRight, mbMiddle };

enum class VSTTextType : std::uint8_t { ttNormal, ttStatic };

class TVirtualStringTree;

// One row of the tree. Nodes are stable handles: a node's address never changes while it lives,
// and `Index` is its place under its parent (renumbered by a sort), so a model can find a
// node's row in O(1). The user-data block of the tree's NodeDataSize follows the node in its
// slot of the tree's pool.
struct VirtualNode;

// A parent's children in order. Inside an update bracket a deleted child leaves a hole (null)
// so that deleting many rows costs no shifting; the closing EndUpdate closes the holes.
struct ChildList {
    std::vector<VirtualNode*> Nodes;
    std::uint32_t Holes = 0;
};

struct VirtualNode {
    VirtualNode* Parent = nullptr;
    std::uint32_t Index = 0; // place in the parent's child list
    TCheckState CheckState = csUncheckedNormal;
    TCheckType CheckType = ctNone;
    bool Initialized = false;
    std::unique_ptr<ChildList> Children; // null while the node never had children

    std::uint32_t ChildCount() const {
        return Children ? static_cast<std::uint32_t>(Children->Nodes.size()) - Children->Holes : 0;
    }
    // A const node leads only to const nodes, so that a const tree hands out no row to change.
    const VirtualNode* FirstChild() const;
    const VirtualNode* LastChild() const;
    const VirtualNode* NextSibling() const;
    const VirtualNode* PrevSibling() const;
    VirtualNode* FirstChild() { return mutableNode(std::as_const(*this).FirstChild()); }
    VirtualNode* LastChild() { return mutableNode(std::as_const(*this).LastChild()); }
    VirtualNode* NextSibling() { return mutableNode(std::as_const(*this).NextSibling()); }
    VirtualNode* PrevSibling() { return mutableNode(std::as_const(*this).PrevSibling()); }
    // The child at `row`; valid only outside an update bracket (no holes).
    const VirtualNode* ChildAt(std::uint32_t row) const {
        return Children && row < Children->Nodes.size() ? Children->Nodes[row] : nullptr;
    }
    VirtualNode* ChildAt(std::uint32_t row) {
        return mutableNode(std::as_const(*this).ChildAt(row));
    }

    void* Data() { return reinterpret_cast<std::byte*>(this) + DataOffset(); }
    const void* Data() const { return reinterpret_cast<const std::byte*>(this) + DataOffset(); }
    static constexpr std::size_t DataOffset() {
        return (sizeof(VirtualNode) + alignof(void*) - 1) & ~(alignof(void*) - 1);
    }

  private:
    // Every node is reached from a mutable tree or node here, so dropping the const is sound.
    static VirtualNode* mutableNode(const VirtualNode* node) {
        return const_cast<VirtualNode*>(node);
    }
};
using PVirtualNode = VirtualNode*;

// What a view of the tree is told. Outside an update bracket each change is reported as it
// happens; inside one, the first structural change reports `resetBegun` and the closing
// EndUpdate reports `resetEnded`, so a view sees one reset per bracket and never a signal per row.
class TreeObserver {
  public:
    virtual ~TreeObserver() = default;
    virtual void nodesAboutToBeAdded(PVirtualNode parent, std::uint32_t first,
                                     std::uint32_t last) = 0;
    virtual void nodesAdded() = 0;
    virtual void nodeAboutToBeRemoved(PVirtualNode node) = 0;
    virtual void nodeRemoved() = 0;
    virtual void resetBegun() = 0;
    virtual void resetEnded() = 0;
    virtual void sortBegun() = 0;
    virtual void sortEnded() = 0;
    // The bracket closed without a structural change: check states may have been written.
    virtual void contentChanged() = 0;
    virtual void columnsChanged() = 0;
    virtual void headerChanged() = 0;
    virtual void focusChanged() = 0;
};

// The plain-C++ node tree behind the result grid: nodes with user data, check states, focus,
// the update bracket, the column collection and header, the stable merge sort, and the
// widget's events as callbacks. A Qt model presents it; nothing here knows about widgets.
class TVirtualStringTree {
  public:
    TVirtualStringTree();
    ~TVirtualStringTree();
    TVirtualStringTree(const TVirtualStringTree&) = delete;
    TVirtualStringTree& operator=(const TVirtualStringTree&) = delete;

    // Events. The owner of the user data sets OnFreeNode to release it.
    std::function<void(PVirtualNode)> OnInitNode;
    std::function<void(PVirtualNode)> OnFreeNode;
    std::function<void(PVirtualNode, int column, VSTTextType, std::string& text)> OnGetText;
    std::function<void(PVirtualNode, PVirtualNode, int column, int& result)> OnCompareNodes;
    std::function<void(int column, MouseButton, int x, int y)> OnHeaderClick;
    std::function<void(PVirtualNode, int column, std::string& hint)> OnGetHint;
    // True for a row drawn grey (one the user would not usually act on).
    std::function<bool(PVirtualNode)> OnGetDimmed;
    std::function<void()> OnDblClick;

    // Update bracket: nests by a counter.
    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return updateCount_; }

    // Setting the value it already has keeps the nodes; another value removes them all.
    void SetNodeDataSize(std::size_t size);
    std::size_t NodeDataSize() const { return nodeDataSize_; }

    PVirtualNode AddChild(PVirtualNode parent);
    void DeleteNode(PVirtualNode node);
    void Clear();

    // The walk in pre-order; a const tree gives const nodes.
    const VirtualNode* RootNode() const { return root_; }
    PVirtualNode RootNode() { return root_; }
    const VirtualNode* GetFirst() const;
    PVirtualNode GetFirst() { return mutableNode(std::as_const(*this).GetFirst()); }
    const VirtualNode* GetNext(const VirtualNode* node) const;
    PVirtualNode GetNext(PVirtualNode node) {
        return mutableNode(std::as_const(*this).GetNext(node));
    }
    const VirtualNode* GetLast() const;
    PVirtualNode GetLast() { return mutableNode(std::as_const(*this).GetLast()); }
    const VirtualNode* GetPrevious(const VirtualNode* node) const;
    PVirtualNode GetPrevious(PVirtualNode node) {
        return mutableNode(std::as_const(*this).GetPrevious(node));
    }
    std::size_t TotalCount() const { return totalCount_; }

    const VirtualNode* FocusedNode() const { return focused_; }
    PVirtualNode FocusedNode() { return focused_; }
    void SetFocusedNode(PVirtualNode node);

    // Runs OnInitNode once per node; the view calls it when a node is first reached.
    void InitNode(PVirtualNode node);

    // Direct check-state write: no event, no propagation.
    void SetCheckState(PVirtualNode node, TCheckState state);
    // The user's click on a node's box: flips between checked and unchecked and tells the view.
    void ToggleCheckState(PVirtualNode node);

    // Sorts the children of the root and of every initialised node with two or more children
    // through OnCompareNodes. Nothing happens for a column below -1.
    void SortTree(int column, SortOrder direction, bool doInit = false);
    // Puts one parent's children in order in place; it must leave a permutation of them.
    using ChildrenSort = std::function<void(PVirtualNode parent, std::span<PVirtualNode> nodes)>;
    // The same walk with `sortChildren` ordering each parent's children: for sorts that prepare
    // their keys once per parent and then run TopDownMergeSort over them, as the merge over
    // OnCompareNodes would.
    void SortTree(int column, const ChildrenSort& sortChildren, bool doInit = false);

    VTColumns& Columns() { return columns_; }
    const VTColumns& Columns() const { return columns_; }

    int SortColumn() const { return sortColumn_; }
    void SetSortColumn(int column);
    SortOrder SortDirection() const { return sortDirection_; }
    void SetSortDirection(SortOrder direction);

    // Helpers for the view: cell text and hint through the events, empty when unassigned.
    std::string GetText(PVirtualNode node, int column) const;
    std::string GetHint(PVirtualNode node, int column) const;

    void SetObserver(TreeObserver* observer) { observer_ = observer; }

  private:
    friend class VTColumns;
    // The nodes belong to the tree, so a mutable tree may hand its nodes out mutable.
    static PVirtualNode mutableNode(const VirtualNode* node) {
        return const_cast<PVirtualNode>(node);
    }
    void structuralChange();
    PVirtualNode allocateNode();
    void destroyNode(PVirtualNode node);
    void freeNode(PVirtualNode node);
    void releaseSubtree(PVirtualNode node);
    bool isInside(PVirtualNode node, PVirtualNode ancestor) const;
    void sortChildren(PVirtualNode parent, int column, SortOrder direction);
    static void renumberChildren(PVirtualNode parent);
    void closeHoles();
    void columnsChanged();

    NodePool pool_; // declared before the root: the nodes go before their memory
    PVirtualNode root_;
    std::size_t nodeDataSize_ = 0;
    std::size_t totalCount_ = 0;
    PVirtualNode focused_ = nullptr;
    int updateCount_ = 0;
    bool resetOpen_ = false;
    std::vector<PVirtualNode> holeyParents_;
    int sortColumn_ = -1;
    SortOrder sortDirection_ = sdAscending;
    VTColumns columns_;
    TreeObserver* observer_ = nullptr;
};

// An update bracket of the tree, closed however the work inside it ends.
class UpdateBracket {
  public:
    explicit UpdateBracket(TVirtualStringTree& tree) : tree_(tree) { tree_.BeginUpdate(); }
    ~UpdateBracket() { tree_.EndUpdate(); }
    UpdateBracket(const UpdateBracket&) = delete;
    UpdateBracket& operator=(const UpdateBracket&) = delete;

  private:
    TVirtualStringTree& tree_;
};

} // namespace nullsweep
