// SPDX-License-Identifier: GPL-3.0-or-later
#include "rows/VirtualTree.h"

#include "rows/MergeSort.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace nullsweep {

const VirtualNode* VirtualNode::FirstChild() const {
    if (!Children) return nullptr;
    for (auto* n : Children->Nodes)
        if (n) return n;
    return nullptr;
}

const VirtualNode* VirtualNode::LastChild() const {
    if (!Children) return nullptr;
    for (auto it = Children->Nodes.rbegin(); it != Children->Nodes.rend(); ++it)
        if (*it) return *it;
    return nullptr;
}

const VirtualNode* VirtualNode::NextSibling() const {
    if (!Parent) return nullptr;
    const auto& nodes = Parent->Children->Nodes;
    for (std::size_t i = Index + 1; i < nodes.size(); ++i)
        if (nodes[i]) return nodes[i];
    return nullptr;
}

const VirtualNode* VirtualNode::PrevSibling() const {
    if (!Parent) return nullptr;
    const auto& nodes = Parent->Children->Nodes;
    for (std::size_t i = Index; i-- > 0;)
        if (nodes[i]) return nodes[i];
    return nullptr;
}

namespace {

// The root, which holds no data, is the one node made apart from the pool.
PVirtualNode allocateRoot() {
    return new (::operator new(sizeof(VirtualNode))) VirtualNode();
}

void destroyRoot(PVirtualNode root) {
    root->~VirtualNode();
    ::operator delete(root);
}

} // namespace

PVirtualNode TVirtualStringTree::allocateNode() {
    auto* node = new (pool_.Allocate()) VirtualNode();
    std::memset(node->Data(), 0, nodeDataSize_);
    return node;
}

void TVirtualStringTree::destroyNode(PVirtualNode node) {
    node->~VirtualNode();
    pool_.Free(node);
}

TVirtualStringTree::TVirtualStringTree() : root_(allocateRoot()), columns_(this) {
    root_->Initialized = true;
    pool_.SetNodeSize(VirtualNode::DataOffset());
}

TVirtualStringTree::~TVirtualStringTree() {
    observer_ = nullptr;
    releaseSubtree(root_);
    destroyRoot(root_);
}

void TVirtualStringTree::BeginUpdate() {
    ++updateCount_;
}

void TVirtualStringTree::EndUpdate() {
    if (updateCount_ == 0) return;
    if (--updateCount_ > 0) return;
    closeHoles();
    if (resetOpen_) {
        resetOpen_ = false;
        if (observer_) observer_->resetEnded();
    } else if (observer_) {
        observer_->contentChanged();
    }
}

// Inside a bracket the first structural change opens one reset that EndUpdate closes.
void TVirtualStringTree::structuralChange() {
    if (updateCount_ > 0 && !resetOpen_) {
        resetOpen_ = true;
        if (observer_) observer_->resetBegun();
    }
}

void TVirtualStringTree::SetNodeDataSize(std::size_t size) {
    if (size == nodeDataSize_) return;
    Clear();
    nodeDataSize_ = size;
    pool_.SetNodeSize(VirtualNode::DataOffset() + size);
}

PVirtualNode TVirtualStringTree::AddChild(PVirtualNode parent) {
    if (!parent) parent = root_;
    if (!parent->Children) parent->Children = std::make_unique<ChildList>();
    auto& nodes = parent->Children->Nodes;
    const auto row = static_cast<std::uint32_t>(nodes.size());
    structuralChange();
    if (updateCount_ == 0 && observer_) observer_->nodesAboutToBeAdded(parent, row, row);
    PVirtualNode node = allocateNode();
    node->Parent = parent;
    node->Index = row;
    nodes.push_back(node);
    ++totalCount_;
    if (updateCount_ == 0 && observer_) observer_->nodesAdded();
    return node;
}

bool TVirtualStringTree::isInside(PVirtualNode node, PVirtualNode ancestor) const {
    for (; node; node = node->Parent)
        if (node == ancestor) return true;
    return false;
}

void TVirtualStringTree::freeNode(PVirtualNode node) {
    if (OnFreeNode) OnFreeNode(node);
    --totalCount_;
    destroyNode(node);
}

void TVirtualStringTree::releaseSubtree(PVirtualNode node) {
    if (!node->Children) return;
    for (auto* child : node->Children->Nodes) {
        if (!child) continue;
        releaseSubtree(child);
        freeNode(child);
    }
    if (node->Children->Holes > 0) std::erase(holeyParents_, node); // its holes go with it
    node->Children.reset();
}

void TVirtualStringTree::DeleteNode(PVirtualNode node) {
    if (!node || node == root_) return;
    if (focused_ && isInside(focused_, node)) SetFocusedNode(nullptr);
    PVirtualNode parent = node->Parent;
    auto& list = *parent->Children;
    const auto row = node->Index;
    structuralChange();
    if (updateCount_ == 0 && observer_) observer_->nodeAboutToBeRemoved(node);
    releaseSubtree(node);
    freeNode(node);
    if (updateCount_ > 0) {
        list.Nodes[row] = nullptr;
        if (list.Holes++ == 0) holeyParents_.push_back(parent);
    } else {
        list.Nodes.erase(list.Nodes.begin() + row);
        for (std::size_t i = row; i < list.Nodes.size(); ++i)
            list.Nodes[i]->Index = i;
        if (observer_) observer_->nodeRemoved();
    }
}

void TVirtualStringTree::closeHoles() {
    for (auto* parent : holeyParents_) {
        if (!parent->Children || parent->Children->Holes == 0) continue;
        auto& nodes = parent->Children->Nodes;
        std::size_t out = 0;
        for (auto* n : nodes)
            if (n) {
                n->Index = static_cast<std::uint32_t>(out);
                nodes[out++] = n;
            }
        nodes.resize(out);
        parent->Children->Holes = 0;
    }
    holeyParents_.clear();
}

void TVirtualStringTree::Clear() {
    if (totalCount_ == 0 && !root_->Children) {
        focused_ = nullptr;
        return;
    }
    const bool own = updateCount_ == 0;
    if (own && observer_) observer_->resetBegun();
    structuralChange();
    focused_ = nullptr;
    holeyParents_.clear();
    releaseSubtree(root_);
    pool_.ReleaseAll();
    if (own && observer_) observer_->resetEnded();
}

const VirtualNode* TVirtualStringTree::GetFirst() const {
    return root_->FirstChild();
}

const VirtualNode* TVirtualStringTree::GetNext(const VirtualNode* node) const {
    if (!node) return nullptr;
    if (auto* child = node->FirstChild()) return child;
    for (; node && node != root_; node = node->Parent)
        if (auto* next = node->NextSibling()) return next;
    return nullptr;
}

const VirtualNode* TVirtualStringTree::GetLast() const {
    const VirtualNode* node = std::as_const(*root_).LastChild();
    while (node && node->LastChild())
        node = node->LastChild();
    return node;
}

const VirtualNode* TVirtualStringTree::GetPrevious(const VirtualNode* node) const {
    if (!node || node == root_) return nullptr;
    if (auto* prev = node->PrevSibling()) {
        while (prev->LastChild())
            prev = prev->LastChild();
        return prev;
    }
    return node->Parent == root_ ? nullptr : node->Parent;
}

void TVirtualStringTree::SetFocusedNode(PVirtualNode node) {
    if (focused_ == node) return;
    focused_ = node;
    if (observer_) observer_->focusChanged();
}

void TVirtualStringTree::InitNode(PVirtualNode node) {
    if (!node || node->Initialized) return;
    node->Initialized = true;
    if (OnInitNode) OnInitNode(node);
}

void TVirtualStringTree::SetCheckState(PVirtualNode node, TCheckState state) {
    if (node) node->CheckState = state;
}

void TVirtualStringTree::ToggleCheckState(PVirtualNode node) {
    if (!node) return;
    node->CheckState = node->CheckState == csCheckedNormal ? csUncheckedNormal : csCheckedNormal;
    if (updateCount_ == 0 && observer_) observer_->contentChanged();
}

void TVirtualStringTree::SortTree(int column, SortOrder direction, bool doInit) {
    SortTree(
        column,
        [this, column, direction](PVirtualNode parent, std::span<PVirtualNode>) {
            sortChildren(parent, column, direction);
        },
        doInit);
}

void TVirtualStringTree::SortTree(int column, const ChildrenSort& sortChildren, bool doInit) {
    if (column < -1) return;
    closeHoles();
    structuralChange();
    const bool own = updateCount_ == 0;
    if (own && observer_) observer_->sortBegun();
    // Pre-order over the nodes whose children get sorted: the root and every initialised
    // node with children (all of them when asked to initialise).
    std::vector<PVirtualNode> stack{root_};
    try {
        while (!stack.empty()) {
            PVirtualNode parent = stack.back();
            stack.pop_back();
            if (parent != root_ && doInit) InitNode(parent);
            if (parent != root_ && !parent->Initialized) continue;
            if (parent->ChildCount() >= 2) {
                auto& nodes = parent->Children->Nodes;
                try {
                    sortChildren(parent, std::span<PVirtualNode>(nodes));
                } catch (...) {
                    renumberChildren(parent); // every node is still in place, partly sorted
                    throw;
                }
                renumberChildren(parent);
            }
            if (parent->Children)
                for (auto* child : parent->Children->Nodes)
                    if (child->Children && child->ChildCount()) stack.push_back(child);
        }
    } catch (...) {
        if (own && observer_) observer_->sortEnded(); // the view sees the nodes where they are
        throw;
    }
    if (own && observer_) observer_->sortEnded();
}

void TVirtualStringTree::renumberChildren(PVirtualNode parent) {
    auto& nodes = parent->Children->Nodes;
    for (std::size_t i = 0; i < nodes.size(); ++i)
        nodes[i]->Index = static_cast<std::uint32_t>(i);
}

void TVirtualStringTree::sortChildren(PVirtualNode parent, int column, SortOrder direction) {
    auto& nodes = parent->Children->Nodes;
    std::vector<PVirtualNode> scratch(nodes.size() / 2 + 1);
    auto compare = [&](PVirtualNode a, PVirtualNode b) {
        int result = 0;
        if (OnCompareNodes) OnCompareNodes(a, b, column, result);
        return result;
    };
    TopDownMergeSort(nodes.data(), scratch.data(), nodes.size(), direction == sdDescending,
                     compare);
}

void TVirtualStringTree::SetSortColumn(int column) {
    if (sortColumn_ == column) return;
    sortColumn_ = column;
    if (observer_) observer_->headerChanged();
}

void TVirtualStringTree::SetSortDirection(SortOrder direction) {
    if (sortDirection_ == direction) return;
    sortDirection_ = direction;
    if (observer_) observer_->headerChanged();
}

void TVirtualStringTree::columnsChanged() {
    if (observer_) observer_->columnsChanged();
}

std::string TVirtualStringTree::GetText(PVirtualNode node, int column) const {
    std::string text;
    if (OnGetText) OnGetText(node, column, VSTTextType::ttNormal, text);
    return text;
}

std::string TVirtualStringTree::GetHint(PVirtualNode node, int column) const {
    std::string hint;
    if (OnGetHint) OnGetHint(node, column, hint);
    return hint;
}

} // namespace nullsweep
