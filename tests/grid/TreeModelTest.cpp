// SPDX-License-Identifier: GPL-3.0-or-later
#include "grid/TreeModel.h"

#include <QAbstractItemModelTester>
#include <QColor>
#include <QPersistentModelIndex>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace nullsweep;

namespace {

// A tree of int rows with two columns; the text of a cell is "<value>:<column>", so every text
// the model returns shows where it came from.
struct Fixture {
    TVirtualStringTree tree;
    TreeModel model{tree};
    std::unique_ptr<QAbstractItemModelTester> tester;
    int initCalls = 0;

    // The tester reads every inserted row; tests that count initialisations go without it.
    explicit Fixture(bool withTester = true) {
        if (withTester)
            tester = std::make_unique<QAbstractItemModelTester>(
                &model, QAbstractItemModelTester::FailureReportingMode::Fatal);
        tree.SetNodeDataSize(sizeof(int));
        tree.OnInitNode = [this](PVirtualNode n) {
            ++initCalls;
            n->CheckType = ctCheckBox;
        };
        tree.OnGetText = [](PVirtualNode n, int column, VSTTextType, std::string& text) {
            text = std::to_string(value(n)) + ":" + std::to_string(column);
        };
        tree.OnCompareNodes = [](PVirtualNode a, PVirtualNode b, int, int& r) {
            r = value(a) - value(b);
        };
        tree.Columns().Add().SetText("A");
        tree.Columns().Add().SetText("B");
    }
    static int& value(PVirtualNode n) { return *static_cast<int*>(n->Data()); }
    PVirtualNode add(int v) {
        PVirtualNode n = tree.AddChild(nullptr);
        value(n) = v;
        return n;
    }
    QString text(int row, int column = 0) {
        return model.data(model.index(row, column), Qt::DisplayRole).toString();
    }
};

} // namespace

TEST(TreeModel, InsertsSortsDeletesAndClearsStayConsistent) {
    Fixture f;
    QSignalSpy inserted(&f.model, &QAbstractItemModel::rowsInserted);
    f.add(3);
    f.add(1);
    EXPECT_EQ(inserted.count(), 2);
    EXPECT_EQ(f.model.rowCount(), 2);
    EXPECT_EQ(f.text(0, 1), "3:1");

    f.tree.SortTree(-1, sdAscending);
    EXPECT_EQ(f.text(0), "1:0");
    EXPECT_EQ(f.text(1), "3:0");

    f.tree.DeleteNode(f.tree.GetFirst());
    EXPECT_EQ(f.model.rowCount(), 1);
    EXPECT_EQ(f.text(0), "3:0");

    f.tree.Clear();
    EXPECT_EQ(f.model.rowCount(), 0);
}

TEST(TreeModel, AnUpdateBracketIsOneResetAndNoRowSignals) {
    Fixture f;
    f.add(100);
    QSignalSpy resets(&f.model, &QAbstractItemModel::modelReset);
    QSignalSpy inserted(&f.model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&f.model, &QAbstractItemModel::rowsRemoved);

    f.tree.BeginUpdate();
    f.tree.BeginUpdate();
    for (int i = 0; i < 1000; ++i)
        f.add(i);
    f.tree.DeleteNode(f.tree.GetFirst());
    f.tree.SortTree(0, sdDescending);
    f.tree.EndUpdate();
    EXPECT_EQ(resets.count(), 0); // still inside the outer bracket
    f.tree.EndUpdate();

    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(inserted.count(), 0);
    EXPECT_EQ(removed.count(), 0);
    EXPECT_EQ(f.model.rowCount(), 1000);
    EXPECT_EQ(f.text(0), "999:0");
    EXPECT_EQ(f.text(999), "0:0");
}

TEST(TreeModel, DeletionsInsideABracketLeaveNoHolesInTheRows) {
    Fixture f;
    for (int i = 0; i < 10; ++i)
        f.add(i);
    f.tree.BeginUpdate();
    // Delete All Checked walks backwards and deletes every other row.
    for (PVirtualNode n = f.tree.GetLast(); n;) {
        PVirtualNode previous = f.tree.GetPrevious(n);
        if (Fixture::value(n) % 2) f.tree.DeleteNode(n);
        n = previous;
    }
    f.tree.EndUpdate();
    ASSERT_EQ(f.model.rowCount(), 5);
    for (int row = 0; row < 5; ++row)
        EXPECT_EQ(f.text(row), QString("%1:0").arg(row * 2));
}

TEST(TreeModel, ASortMovesPersistentIndexesWithTheirNodes) {
    Fixture f;
    for (int v : {5, 2, 9, 1})
        f.add(v);
    QPersistentModelIndex nine(f.model.index(2, 1));
    QPersistentModelIndex one(f.model.index(3, 0));
    QSignalSpy layouts(&f.model, &QAbstractItemModel::layoutChanged);

    f.tree.SortTree(-1, sdAscending);

    EXPECT_EQ(layouts.count(), 1);
    EXPECT_EQ(nine.row(), 3);
    EXPECT_EQ(nine.column(), 1);
    EXPECT_EQ(nine.data().toString(), "9:1");
    EXPECT_EQ(one.row(), 0);
    EXPECT_EQ(one.data().toString(), "1:0");
}

TEST(TreeModel, TextsAreAskedForAtEachRequestNotStored) {
    Fixture f;
    f.add(7);
    EXPECT_EQ(f.text(0), "7:0");
    f.tree.OnGetText = [](PVirtualNode, int, VSTTextType, std::string& text) { text = "new"; };
    EXPECT_EQ(f.text(0), "new");
    f.tree.OnGetText = nullptr; // no handler: the default, empty text
    EXPECT_EQ(f.text(0), "");

    f.tree.OnGetHint = [](PVirtualNode n, int column, std::string& hint) {
        hint = "hint " + std::to_string(Fixture::value(n)) + "/" + std::to_string(column);
    };
    EXPECT_EQ(f.model.data(f.model.index(0, 1), Qt::ToolTipRole).toString(), "hint 7/1");
}

TEST(TreeModel, TextBytesAreShownAsUtf8FileNames) {
    Fixture f;
    f.add(0);
    f.tree.OnGetText = [](PVirtualNode, int, VSTTextType, std::string& text) {
        text = "caf\xc3\xa9.txt";
    };
    EXPECT_EQ(f.text(0), QString::fromUtf8("caf\xc3\xa9.txt"));
}

TEST(TreeModel, NodesAreInitialisedWhenFirstReachedAndKeepTheirWrittenState) {
    Fixture f(false);
    for (int i = 0; i < 5; ++i)
        f.add(i);
    PVirtualNode third = f.tree.GetFirst()->NextSibling()->NextSibling();
    f.tree.SetCheckState(third, csCheckedNormal);
    EXPECT_EQ(f.initCalls, 0);

    const QModelIndex index = f.model.index(2, 0);
    EXPECT_EQ(f.model.data(index, Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Checked);
    EXPECT_EQ(f.initCalls, 1);
    EXPECT_TRUE(f.model.flags(index) & Qt::ItemIsUserCheckable);
    EXPECT_EQ(f.initCalls, 1);
    EXPECT_EQ(f.model.data(f.model.index(0, 0), Qt::CheckStateRole).value<Qt::CheckState>(),
              Qt::Unchecked);
    // Only the first column carries the box.
    EXPECT_FALSE(f.model.data(f.model.index(2, 1), Qt::CheckStateRole).isValid());
    EXPECT_FALSE(f.model.flags(f.model.index(2, 1)) & Qt::ItemIsUserCheckable);
}

TEST(TreeModel, ANodeWithoutACheckTypeHasNoBox) {
    Fixture f;
    f.tree.OnInitNode = nullptr;
    f.add(0);
    EXPECT_FALSE(f.model.data(f.model.index(0, 0), Qt::CheckStateRole).isValid());
    EXPECT_FALSE(f.model.flags(f.model.index(0, 0)) & Qt::ItemIsUserCheckable);
    EXPECT_FALSE(f.model.setData(f.model.index(0, 0), Qt::Checked, Qt::CheckStateRole));
}

TEST(TreeModel, SettingTheCheckStateTogglesTheNodeAndTellsTheView) {
    Fixture f;
    for (int i = 0; i < 3; ++i)
        f.add(i);
    const QModelIndex index = f.model.index(1, 0);
    f.model.data(index, Qt::CheckStateRole);
    QSignalSpy changed(&f.model, &QAbstractItemModel::dataChanged);

    EXPECT_TRUE(f.model.setData(index, Qt::Checked, Qt::CheckStateRole));
    EXPECT_EQ(f.tree.GetFirst()->NextSibling()->CheckState, csCheckedNormal);
    EXPECT_EQ(changed.count(), 1);
    // Asking for the state it already has changes nothing.
    EXPECT_TRUE(f.model.setData(index, Qt::Checked, Qt::CheckStateRole));
    EXPECT_EQ(f.tree.GetFirst()->NextSibling()->CheckState, csCheckedNormal);
    EXPECT_TRUE(f.model.setData(index, Qt::Unchecked, Qt::CheckStateRole));
    EXPECT_EQ(f.tree.GetFirst()->NextSibling()->CheckState, csUncheckedNormal);
}

TEST(TreeModel, ABracketWithOnlyCheckStateWritesRepaintsWithoutAReset) {
    Fixture f;
    for (int i = 0; i < 4; ++i)
        f.add(i);
    QSignalSpy resets(&f.model, &QAbstractItemModel::modelReset);
    QSignalSpy changed(&f.model, &QAbstractItemModel::dataChanged);
    f.tree.BeginUpdate();
    for (PVirtualNode n = f.tree.GetFirst(); n; n = f.tree.GetNext(n))
        f.tree.SetCheckState(n, csCheckedNormal);
    f.tree.EndUpdate();
    EXPECT_EQ(resets.count(), 0);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed[0][0].value<QModelIndex>(), f.model.index(0, 0));
    EXPECT_EQ(changed[0][1].value<QModelIndex>(), f.model.index(3, 1));
}

TEST(TreeModel, ColumnsComeFromTheTreesColumnCollection) {
    Fixture f;
    f.add(1);
    VirtualTreeColumn& b = f.tree.Columns().Items(1);
    b.SetText("   Write Time ");
    b.SetAlignment(taRightJustify);
    b.SetColor(0x00FFF3EF);
    EXPECT_EQ(f.model.headerData(1, Qt::Horizontal).toString(), "   Write Time ");
    const QModelIndex cell = f.model.index(0, 1);
    EXPECT_EQ(f.model.data(cell, Qt::TextAlignmentRole).toInt(),
              int(Qt::AlignRight | Qt::AlignVCenter));
    EXPECT_EQ(f.model.data(cell, Qt::BackgroundRole).value<QColor>(), QColor(239, 243, 255));
    b.SetColor(clInfoBk);
    EXPECT_TRUE(f.model.data(cell, Qt::BackgroundRole).value<QColor>().isValid());
    // The default colour is the view's own background.
    EXPECT_FALSE(f.model.data(f.model.index(0, 0), Qt::BackgroundRole).isValid());

    QSignalSpy removed(&f.model, &QAbstractItemModel::columnsRemoved);
    QSignalSpy inserted(&f.model, &QAbstractItemModel::columnsInserted);
    f.tree.Columns().Clear();
    // Without columns the rows still show, in one section: the tree's "no column" (-1), with
    // the box, no caption and no section number.
    EXPECT_EQ(f.model.columnCount(), 1);
    EXPECT_EQ(f.text(0, 0), "1:-1");
    EXPECT_EQ(f.model.data(f.model.index(0, 0), Qt::CheckStateRole), Qt::Unchecked);
    EXPECT_EQ(f.model.headerData(0, Qt::Horizontal).toString(), "");
    EXPECT_FALSE(f.model.data(f.model.index(0, 0), Qt::BackgroundRole).isValid());
    f.tree.Columns().BeginUpdate();
    for (int i = 0; i < 3; ++i)
        f.tree.Columns().Add();
    f.tree.Columns().EndUpdate();
    EXPECT_EQ(f.model.columnCount(), 3);
    EXPECT_EQ(removed.count(), 1);
    EXPECT_EQ(inserted.count(), 1); // one batch for the bracket
    EXPECT_EQ(f.text(0, 2), "1:2");
}

TEST(TreeModel, TheModelStopsObservingWhenDestroyed) {
    TVirtualStringTree tree;
    tree.SetNodeDataSize(sizeof(int));
    { TreeModel model(tree); }
    tree.AddChild(nullptr); // would reach a dead observer
    tree.Clear();
    EXPECT_EQ(tree.TotalCount(), 0u);
}
