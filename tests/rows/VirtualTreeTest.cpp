// SPDX-License-Identifier: GPL-3.0-or-later
#include "rows/VirtualTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

using namespace nullsweep;

namespace {

// A tree whose nodes carry one int as user data.
struct IntTree {
    TVirtualStringTree tree;
    IntTree() { tree.SetNodeDataSize(sizeof(int)); }
    static int& value(PVirtualNode n) { return *static_cast<int*>(n->Data()); }
    static int value(const VirtualNode* n) { return *static_cast<const int*>(n->Data()); }
    PVirtualNode add(int v, PVirtualNode parent = nullptr) {
        PVirtualNode n = tree.AddChild(parent);
        value(n) = v;
        return n;
    }
    std::vector<int> order() const {
        std::vector<int> out;
        for (const VirtualNode* n = tree.GetFirst(); n; n = tree.GetNext(n))
            out.push_back(value(n));
        return out;
    }
    std::vector<int> backwards() const {
        std::vector<int> out;
        for (const VirtualNode* n = tree.GetLast(); n; n = tree.GetPrevious(n))
            out.push_back(value(n));
        return out;
    }
};

// Value / 10 is the key; the comparison reports a tie as -1, as the grid's comparison does.
int keyCompare(PVirtualNode a, PVirtualNode b) {
    return IntTree::value(a) / 10 > IntTree::value(b) / 10 ? 1 : -1;
}

} // namespace

TEST(VirtualTreeSort, ConstantComparisonsGiveTheMergesOrders) {
    for (int constant : {-1, +1}) {
        for (auto direction : {sdAscending, sdDescending}) {
            IntTree t;
            for (int i = 1; i <= 7; ++i)
                t.add(i);
            t.tree.OnCompareNodes = [&](PVirtualNode, PVirtualNode, int, int& r) { r = constant; };
            t.tree.SortTree(-1, direction);
            // -1 keeps the order ascending and reverses it descending; +1 the other way round.
            const bool keep = (constant < 0) == (direction == sdAscending);
            const std::vector<int> kept{1, 2, 3, 4, 5, 6, 7}, reversed{7, 6, 5, 4, 3, 2, 1};
            EXPECT_EQ(t.order(), keep ? kept : reversed) << constant << " " << int(direction);
        }
    }
}

TEST(VirtualTreeSort, TiesKeepOrderAscendingAndReverseDescending) {
    // Worked by hand through the merge: [11 00 12 01] splits into [11 00] and [12 01].
    IntTree t;
    for (int v : {11, 0, 12, 1})
        t.add(v);
    t.tree.OnCompareNodes = [](PVirtualNode a, PVirtualNode b, int, int& r) {
        r = keyCompare(a, b);
    };
    t.tree.SortTree(0, sdAscending);
    EXPECT_EQ(t.order(), (std::vector<int>{0, 1, 11, 12}));

    IntTree d;
    for (int v : {11, 0, 12, 1})
        d.add(v);
    d.tree.OnCompareNodes = t.tree.OnCompareNodes;
    d.tree.SortTree(0, sdDescending);
    EXPECT_EQ(d.order(), (std::vector<int>{12, 11, 1, 0}));
}

TEST(VirtualTreeSort, FirstArgumentIsTheEarlierNodeAndPartsSplitRoundedDown) {
    IntTree t;
    for (int v : {3, 1, 2})
        t.add(v);
    std::vector<std::pair<int, int>> calls;
    t.tree.OnCompareNodes = [&](PVirtualNode a, PVirtualNode b, int column, int& r) {
        EXPECT_EQ(column, -1);
        calls.emplace_back(IntTree::value(a), IntTree::value(b));
        r = IntTree::value(a) - IntTree::value(b);
    };
    t.tree.SortTree(-1, sdAscending);
    // n = 3 splits into [3] and [1 2]; [1 2] is merged first, then [3] with [1 2].
    const std::vector<std::pair<int, int>> expected{{1, 2}, {3, 1}, {3, 2}};
    EXPECT_EQ(calls, expected);
    EXPECT_EQ(t.order(), (std::vector<int>{1, 2, 3}));
}

TEST(VirtualTreeSort, InconsistentComparisonsStillGiveAPermutation) {
    IntTree t;
    for (int i = 0; i < 1000; ++i)
        t.add(i);
    unsigned state = 12345;
    t.tree.OnCompareNodes = [&](PVirtualNode, PVirtualNode, int, int& r) {
        state = state * 1103515245u + 12345u;
        r = int(state >> 16) % 3 - 1;
    };
    t.tree.SortTree(0, sdDescending);
    auto order = t.order();
    std::sort(order.begin(), order.end());
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(order[i], i);
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(t.tree.RootNode()->ChildAt(i)->Index, unsigned(i));
}

TEST(VirtualTreeSort, AThrowingComparisonLosesNoNode) {
    IntTree t;
    for (int i = 0; i < 100; ++i)
        t.add(99 - i);
    int calls = 0;
    t.tree.OnCompareNodes = [&](PVirtualNode a, PVirtualNode b, int, int& r) {
        if (++calls == 150) throw std::runtime_error("comparison failed");
        r = IntTree::value(a) - IntTree::value(b);
    };
    EXPECT_THROW(t.tree.SortTree(0, sdAscending), std::runtime_error);
    auto order = t.order();
    ASSERT_EQ(order.size(), 100u);
    std::sort(order.begin(), order.end());
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(order[i], i);
    for (unsigned i = 0; i < 100; ++i)
        ASSERT_EQ(t.tree.RootNode()->ChildAt(i)->Index, i);
}

TEST(VirtualTreeSort, ColumnBelowMinusOneDoesNothingAndChildrenSortOnlyWhenInitialised) {
    IntTree t;
    PVirtualNode a = t.add(2);
    t.add(1);
    t.add(20, a);
    t.add(10, a);
    int calls = 0;
    t.tree.OnCompareNodes = [&](PVirtualNode x, PVirtualNode y, int, int& r) {
        ++calls;
        r = IntTree::value(x) - IntTree::value(y);
    };
    t.tree.SortTree(-2, sdAscending);
    EXPECT_EQ(calls, 0);
    t.tree.SortTree(0, sdAscending);
    EXPECT_EQ(t.order(), (std::vector<int>{1, 2, 20, 10})); // a's children: a is not initialised
    t.tree.SortTree(0, sdAscending, /*doInit=*/true);
    EXPECT_EQ(t.order(), (std::vector<int>{1, 2, 10, 20}));
}

TEST(VirtualTree, PreOrderBothWaysAndCounts) {
    IntTree t;
    PVirtualNode a = t.add(1);
    PVirtualNode b = t.add(2, a);
    t.add(3, b);
    t.add(4, a);
    t.add(5);
    EXPECT_EQ(t.order(), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(t.backwards(), (std::vector<int>{5, 4, 3, 2, 1}));
    EXPECT_EQ(t.tree.TotalCount(), 5u);
    EXPECT_EQ(a->ChildCount(), 2u);
    EXPECT_EQ(IntTree::value(a->FirstChild()), 2);
    EXPECT_EQ(IntTree::value(a->FirstChild()->NextSibling()), 4);
    EXPECT_EQ(a->FirstChild()->NextSibling()->NextSibling(), nullptr);
    t.tree.DeleteNode(a);
    EXPECT_EQ(t.order(), (std::vector<int>{5}));
    EXPECT_EQ(t.tree.TotalCount(), 1u);
}

TEST(VirtualTree, FocusNeverDangles) {
    IntTree t;
    PVirtualNode a = t.add(1);
    PVirtualNode child = t.add(2, a);
    t.tree.SetFocusedNode(child);
    t.tree.DeleteNode(a); // the focused node goes with its parent
    EXPECT_EQ(t.tree.FocusedNode(), nullptr);
    PVirtualNode b = t.add(3);
    t.tree.SetFocusedNode(b);
    t.tree.Clear();
    EXPECT_EQ(t.tree.FocusedNode(), nullptr);
    EXPECT_EQ(t.tree.TotalCount(), 0u);
}

TEST(VirtualTree, DataSizeChangeClearsButSameSizeKeeps) {
    IntTree t;
    t.add(7);
    int freed = 0;
    t.tree.OnFreeNode = [&](PVirtualNode) { ++freed; };
    t.tree.SetNodeDataSize(sizeof(int));
    EXPECT_EQ(t.tree.TotalCount(), 1u);
    t.tree.SetNodeDataSize(64);
    EXPECT_EQ(t.tree.TotalCount(), 0u);
    EXPECT_EQ(freed, 1);
    PVirtualNode n = t.tree.AddChild(nullptr);
    const auto* bytes = static_cast<const unsigned char*>(n->Data());
    for (int i = 0; i < 64; ++i)
        ASSERT_EQ(bytes[i], 0) << "user data is zero-filled";
}

TEST(VirtualTree, DeletesInsideABracketCloseUpAtTheEnd) {
    IntTree t;
    for (int i = 0; i < 10; ++i)
        t.add(i);
    t.tree.BeginUpdate();
    // Delete All Checked's walk: fetch the previous node before deleting the current one.
    for (PVirtualNode n = t.tree.GetLast(); n;) {
        PVirtualNode prev = t.tree.GetPrevious(n);
        if (IntTree::value(n) % 3 != 0) t.tree.DeleteNode(n);
        n = prev;
    }
    EXPECT_EQ(t.order(), (std::vector<int>{0, 3, 6, 9}));
    EXPECT_EQ(t.tree.RootNode()->ChildCount(), 4u);
    t.tree.EndUpdate();
    for (unsigned i = 0; i < 4; ++i)
        EXPECT_EQ(t.tree.RootNode()->ChildAt(i)->Index, i);
    EXPECT_EQ(t.backwards(), (std::vector<int>{9, 6, 3, 0}));
}

// Places of deleted nodes are used again, and rows beyond the first slabs of nodes as well as
// rows after a Clear keep their own data.
TEST(VirtualTree, NodesMadeAfterDeletesAndClearsKeepTheirOwnData) {
    IntTree t;
    for (int round = 0; round < 2; ++round) {
        std::vector<PVirtualNode> nodes;
        for (int i = 0; i < 100; ++i)
            nodes.push_back(t.add(i));
        for (int i = 10; i < 20; ++i)
            t.tree.DeleteNode(nodes[i]);
        for (int i = 100; i < 150; ++i)
            t.add(i);
        std::vector<int> expected;
        for (int i = 0; i < 150; ++i)
            if (i < 10 || i >= 20) expected.push_back(i);
        EXPECT_EQ(t.order(), expected);
        EXPECT_EQ(t.tree.TotalCount(), 140u);
        t.tree.Clear();
    }
}

TEST(VirtualTree, CheckStatesAreWrittenDirectlyAndInitKeepsThem) {
    IntTree t;
    PVirtualNode n = t.add(1);
    t.tree.OnInitNode = [](PVirtualNode node) { node->CheckType = ctCheckBox; };
    t.tree.SetCheckState(n, csCheckedNormal);
    t.tree.InitNode(n);
    EXPECT_EQ(n->CheckState, csCheckedNormal);
    EXPECT_EQ(n->CheckType, ctCheckBox);
    t.tree.ToggleCheckState(n);
    EXPECT_EQ(n->CheckState, csUncheckedNormal);
}

namespace {
struct CountingObserver : TreeObserver {
    std::map<std::string, int> calls;
    void nodesAboutToBeAdded(PVirtualNode, std::uint32_t, std::uint32_t) override {
        ++calls["add"];
    }
    void nodesAdded() override {}
    void nodeAboutToBeRemoved(PVirtualNode) override { ++calls["remove"]; }
    void nodeRemoved() override {}
    void resetBegun() override { ++calls["resetBegun"]; }
    void resetEnded() override { ++calls["resetEnded"]; }
    void sortBegun() override { ++calls["sort"]; }
    void sortEnded() override {}
    void contentChanged() override { ++calls["content"]; }
    void columnsChanged() override { ++calls["columns"]; }
    void headerChanged() override { ++calls["header"]; }
    void focusChanged() override {}
};
} // namespace

TEST(VirtualTree, ABracketIsOneResetNeverASignalPerRow) {
    IntTree t;
    CountingObserver o;
    t.tree.SetObserver(&o);
    t.tree.BeginUpdate();
    t.tree.BeginUpdate();
    for (int i = 0; i < 100; ++i)
        t.add(i);
    t.tree.EndUpdate();
    EXPECT_EQ(o.calls["resetEnded"], 0) << "nested bracket still open";
    t.tree.DeleteNode(t.tree.GetFirst());
    t.tree.EndUpdate();
    EXPECT_EQ(o.calls["resetBegun"], 1);
    EXPECT_EQ(o.calls["resetEnded"], 1);
    EXPECT_EQ(o.calls["add"], 0);
    EXPECT_EQ(o.calls["remove"], 0);
    t.add(5);
    t.tree.DeleteNode(t.tree.GetLast());
    EXPECT_EQ(o.calls["add"], 1);
    EXPECT_EQ(o.calls["remove"], 1);
    t.tree.BeginUpdate();
    t.tree.SetCheckState(t.tree.GetFirst(), csCheckedNormal);
    t.tree.EndUpdate();
    EXPECT_EQ(o.calls["content"], 1);
    t.tree.SetObserver(nullptr);
}

TEST(VirtualTreeColumns, PositionsMoveOneAfterTheOtherAndClearResetsSortColumn) {
    TVirtualStringTree tree;
    auto& columns = tree.Columns();
    for (int i = 0; i < 5; ++i)
        columns.Add().SetText(std::to_string(i));
    columns.Items(0).SetPosition(2);
    EXPECT_EQ(columns.DisplayOrder(), (std::vector<std::uint32_t>{1, 2, 0, 3, 4}));
    columns.Items(4).SetPosition(0);
    EXPECT_EQ(columns.DisplayOrder(), (std::vector<std::uint32_t>{4, 1, 2, 0, 3}));
    columns.Items(1).SetPosition(99);
    EXPECT_EQ(columns.DisplayOrder(), (std::vector<std::uint32_t>{4, 2, 0, 3, 1}));
    columns.Items(2).SetPosition(-1);
    EXPECT_EQ(columns.DisplayOrder(), (std::vector<std::uint32_t>{4, 0, 3, 1, 2}));
    EXPECT_EQ(columns.Items(3).Position(), 2u);
    EXPECT_TRUE(columns.Items(3).Visible());
    columns.Items(3).SetOptions(columns.Items(3).Options() & ~coVisible);
    EXPECT_FALSE(columns.Items(3).Visible());

    tree.SetSortColumn(3);
    tree.SetSortDirection(sdDescending);
    columns.Clear();
    EXPECT_EQ(tree.SortColumn(), -1);
    EXPECT_EQ(tree.SortDirection(), sdDescending);
    EXPECT_EQ(columns.Count(), 0u);
}
