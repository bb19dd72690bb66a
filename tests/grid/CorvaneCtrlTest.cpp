// SPDX-License-Identifier: GPL-3.0-or-later
#include "grid/CorvaneCtrl.h"

#include "config/ConfigStore.h"
#include "config/DefaultConfig.h"
#include "rows/GridRows.h"
#include "scan/ResultRow.h"
#include "support/FakeShell.h"
#include "support/TempTree.h"
#include "support/TestRows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

using namespace nullsweep;
using nullsweep::test::FakeShell;
using nullsweep::test::TempTree;

namespace {

// One column entry.
std::string entry(const std::string& name, int index, const std::string& visible = "True",
                  const std::string& align = "left", const std::string& width = "50",
                  const std::string& readOnly = "True") {
    return "<node Name=\"" + name + "\" Visible=\"" + visible + "\" Index=\"" +
           std::to_string(index) + "\" DefaultExport=\"True\" Width=\"" + width + "\" ReadOnly=\"" +
           readOnly + "\" Align=\"" + align + "\"/>";
}

// The store reads this configuration for the life of the object.
class Config {
  public:
    explicit Config(const std::string& document) {
        tree_.File("CorvaneConfig.xml", document);
        UseConfigFile(tree_.Path("CorvaneConfig.xml"));
    }
    static Config WithEntries(const std::vector<std::string>& entries) {
        std::string nodes;
        for (const auto& e : entries)
            nodes += e;
        return Config("<?xml version=\"1.0\"?><config versionNo=\"2\"><nodes>" + nodes +
                      "</nodes></config>");
    }
    ~Config() { UseConfigFile({}); }

  private:
    TempTree tree_;
};

struct Grid {
    TVirtualStringTree tree;
    Grid() { PrepareRowData(tree); }
    // A file of `size` bytes at `path` (default: /data/NAME), written at the epoch; no name:
    // an empty row.
    PVirtualNode add(const std::string& name, std::uint64_t size = 0,
                     const std::string& path = {}) {
        PVirtualNode n = AddRow(tree, nullptr);
        if (!name.empty())
            RowOf(n) = test::FileRow(path.empty() ? "/data/" + name : path, test::FileFacts(size));
        return n;
    }
    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (const VirtualNode* n = tree.GetFirst(); n; n = tree.GetNext(n))
            out.emplace_back(RowOf(n).Name());
        return out;
    }
    std::string text(PVirtualNode node, int column, std::string start = {}) const {
        tree.OnGetText(node, column, VSTTextType::ttNormal, start);
        return start;
    }
    std::vector<std::uint32_t> displayOrder() const { return tree.Columns().DisplayOrder(); }
};

} // namespace

TEST(CorvaneCtrl, CreateClaimsTheEventsAndDestroyReleasesThem) {
    Grid g;
    int formCalls = 0;
    g.tree.OnDblClick = [&] { ++formCalls; };
    g.tree.OnGetHint = [&](PVirtualNode, int, std::string&) { ++formCalls; };
    {
        TCorvaneCtrl ctrl(g.tree);
        EXPECT_EQ(ctrl.SortField(), 0);
        ASSERT_TRUE(g.tree.OnGetText && g.tree.OnCompareNodes && g.tree.OnHeaderClick &&
                    g.tree.OnGetHint && g.tree.OnGetDimmed && g.tree.OnDblClick);
        std::string hint;
        g.tree.OnGetHint(g.add("a"), 0, hint);
        g.tree.OnDblClick();
        EXPECT_EQ(formCalls, 0);
        EXPECT_EQ(hint, "Double click to open it in explorer.");
    }
    // The grid may outlive its controller: no event may reach it then.
    EXPECT_FALSE(g.tree.OnGetText || g.tree.OnCompareNodes || g.tree.OnHeaderClick ||
                 g.tree.OnGetHint || g.tree.OnGetDimmed || g.tree.OnDblClick);
}

TEST(CorvaneCtrl, SetupColumnsBuildsTheDefaultColumns) {
    Config config{std::string(DefaultConfigText)};
    Grid g;
    TCorvaneCtrl ctrl(g.tree);
    g.tree.SetSortColumn(3); // left over from before: cleared with the columns
    ctrl.SetupColumns(g.tree);
    const VTColumns& columns = g.tree.Columns();
    ASSERT_EQ(columns.Count(), 7u);
    EXPECT_EQ(columns.Items(0).Text(), "         File Name"); // untrimmed
    EXPECT_EQ(columns.Items(1).Width(), 220);
    EXPECT_EQ(columns.Items(0).Alignment(), taLeftJustify);
    EXPECT_EQ(columns.Items(2).Alignment(), taRightJustify);
    EXPECT_EQ(columns.Items(6).Color(), TCorvaneCtrl::ReadOnlyColor);
    EXPECT_EQ(g.displayOrder(), (std::vector<std::uint32_t>{0, 1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(g.tree.SortColumn(), -1);
    for (std::uint32_t i = 0; i < 7; ++i)
        EXPECT_TRUE(columns.Items(i).Visible());
}

TEST(CorvaneCtrl, AlignmentIsCaseSensitiveAndColourFollowsReadOnly) {
    Config config = Config::WithEntries(
        {entry("File Name", 0, "True", "Right"), entry("File Size", 1, "True", "center"),
         entry("File Ext", 2, "True", "right", "40", "False"), entry("Full Path", 3, "True", "")});
    Grid g;
    TCorvaneCtrl ctrl(g.tree);
    ctrl.SetupColumns(g.tree);
    const VTColumns& c = g.tree.Columns();
    EXPECT_EQ(c.Items(0).Alignment(), taLeftJustify);
    EXPECT_EQ(c.Items(1).Alignment(), taCenter);
    EXPECT_EQ(c.Items(2).Alignment(), taRightJustify);
    EXPECT_EQ(c.Items(3).Alignment(), taLeftJustify);
    EXPECT_EQ(c.Items(0).Color(), TCorvaneCtrl::ReadOnlyColor);
    EXPECT_EQ(c.Items(2).Color(), clInfoBk);
    EXPECT_EQ(c.Items(2).Width(), 40);
}

TEST(CorvaneCtrl, PositionsApplyOneAfterAnother) {
    {
        // Index 99 in a seven-column configuration puts that column last, when the later
        // entries count their places without it.
        std::vector<std::string> entries;
        for (int i = 0; i < 7; ++i)
            entries.push_back(entry("File Name", i == 2 ? 99 : i < 2 ? i : i - 1));
        Config config = Config::WithEntries(entries);
        Grid g;
        TCorvaneCtrl ctrl(g.tree);
        ctrl.SetupColumns(g.tree);
        EXPECT_EQ(g.displayOrder(), (std::vector<std::uint32_t>{0, 1, 3, 4, 5, 6, 2}));
    }
    {
        // With the later entries at their own places, each later move shifts it back by one
        // until the last entry takes the last place.
        std::vector<std::string> entries;
        for (int i = 0; i < 7; ++i)
            entries.push_back(entry("File Name", i == 2 ? 99 : i));
        Config config = Config::WithEntries(entries);
        Grid g;
        TCorvaneCtrl ctrl(g.tree);
        ctrl.SetupColumns(g.tree);
        EXPECT_EQ(g.displayOrder(), (std::vector<std::uint32_t>{0, 1, 3, 4, 5, 2, 6}));
    }
    {
        // [0 1 2] -> column 0 to -1 (last): [1 2 0] -> column 1 to 0: [1 2 0] -> column 2 to
        // 0: [2 1 0]. Sorting by Index would give another order.
        Config config = Config::WithEntries(
            {entry("File Name", -1), entry("File Size", 0), entry("File Ext", 0)});
        Grid g;
        TCorvaneCtrl ctrl(g.tree);
        ctrl.SetupColumns(g.tree);
        EXPECT_EQ(g.displayOrder(), (std::vector<std::uint32_t>{2, 1, 0}));
    }
}

TEST(CorvaneCtrl, VisibilityChangesOnlyTheVisibleOption) {
    Config config = Config::WithEntries({entry("File Name", 0, "False"), entry("File Size", 1)});
    Grid g;
    TCorvaneCtrl ctrl(g.tree);
    ctrl.SetupColumns(g.tree);
    const auto& hidden = g.tree.Columns().Items(0);
    EXPECT_FALSE(hidden.Visible());
    EXPECT_TRUE(hidden.Options() & coAllowClick);
    EXPECT_TRUE(hidden.Options() & coResizable);
    EXPECT_TRUE(g.tree.Columns().Items(1).Visible());
}

TEST(CorvaneCtrl, ConfigurationWithoutEntriesGivesNoColumnsAndEmptyCells) {
    Config config("<?xml version=\"1.0\"?><config versionNo=\"2\"></config>");
    Grid g;
    g.tree.Columns().Add();
    TCorvaneCtrl ctrl(g.tree);
    ctrl.SetupColumns(g.tree);
    EXPECT_EQ(g.tree.Columns().Count(), 0u);
    EXPECT_EQ(g.text(g.add("a.txt"), 0), "");
}

TEST(CorvaneCtrl, AnUnreadableEntryStopsTheSetupThere) {
    Config config = Config::WithEntries({entry("File Name", 0), entry("File Size", 1),
                                         entry("File Ext", 2, "True", "left", "wide")});
    Grid g;
    TCorvaneCtrl ctrl(g.tree);
    std::string message;
    try {
        ctrl.SetupColumns(g.tree);
    } catch (const std::exception& error) {
        message = error.what();
    }
    // The reason as the configuration gives it, after the file, the column and the attribute.
    EXPECT_EQ(message, TConfig::ConfigFileName() + ": column 3 (\"File Ext\"): Width: " +
                           "Could not convert variant of type (String) into type (Integer)");
    // The third column was added before its width failed; it stays with what it got.
    ASSERT_EQ(g.tree.Columns().Count(), 3u);
    EXPECT_EQ(g.tree.Columns().Items(2).Text(), "File Ext");
    // Positions and visibility were not reached.
    EXPECT_EQ(g.displayOrder(), (std::vector<std::uint32_t>{0, 1, 2}));
}

TEST(CorvaneCtrl, AConfigurationThatCannotBeLoadedFailsTheSetup) {
    Config config("<config><nodes>");
    Grid g;
    TCorvaneCtrl ctrl(g.tree);
    try {
        ctrl.SetupColumns(g.tree);
        FAIL() << "no error";
    } catch (const std::exception& error) {
        EXPECT_NE(std::string(error.what()).find("CorvaneConfig.xml"), std::string::npos)
            << error.what();
    }
    EXPECT_EQ(g.tree.Columns().Count(), 0u);
}

TEST(CorvaneCtrl, CellTextsFollowTheColumnsField) {
    Config config = Config::WithEntries(
        {entry(" Write Time ", 0), entry("No Such Field", 1), entry("File Size", 2)});
    Grid g;
    TCorvaneCtrl ctrl(g.tree);
    ctrl.SetupColumns(g.tree);
    PVirtualNode n = g.add("a.txt", 2048);
    EXPECT_EQ(g.text(n, 0), "1 Jan 1970");
    EXPECT_EQ(g.text(n, 1), "a.txt"); // not a field name: "File Name"
    EXPECT_EQ(g.text(n, 2), "2.00 KB");
    // No entry for the column: the text passed in stays.
    EXPECT_EQ(g.text(n, 3, "default"), "default");
    EXPECT_EQ(g.text(n, -1, "default"), "default");
}

// A cell is asked for while Qt paints, where nothing may be thrown; a failure must show.
TEST(CorvaneCtrl, ACellThatCannotBeMadeSaysWhy) {
    Config config("<config><nodes>");
    Grid g;
    TCorvaneCtrl ctrl(g.tree);
    std::string text;
    EXPECT_NO_THROW(text = g.text(g.add("a.txt"), 0, "default"));
    EXPECT_NE(text.find("CorvaneConfig.xml"), std::string::npos) << text;
}

TEST(CorvaneCtrl, HeaderClicksTurnTheDirectionOnEveryLeftClick) {
    Config config = Config::WithEntries({entry("File Name", 0), entry("File Size", 1)});
    Grid g;
    TCorvaneCtrl ctrl(g.tree);
    ctrl.SetupColumns(g.tree);
    g.add("b", 30);
    g.add("c", 1000);
    g.add("a", 200);

    g.tree.OnHeaderClick(1, MouseButton::mbLeft, 5, 5); // first: ascending
    EXPECT_EQ(g.tree.SortColumn(), 1);
    EXPECT_EQ(g.tree.SortDirection(), sdAscending);
    EXPECT_EQ(ctrl.SortField(), 2);
    EXPECT_EQ(g.names(), (std::vector<std::string>{"b", "a", "c"}));

    g.tree.OnHeaderClick(0, MouseButton::mbLeft, 5, 5); // another column: descending
    EXPECT_EQ(g.tree.SortColumn(), 0);
    EXPECT_EQ(g.tree.SortDirection(), sdDescending);
    EXPECT_EQ(ctrl.SortField(), 0);
    EXPECT_EQ(g.names(), (std::vector<std::string>{"c", "b", "a"}));

    g.tree.OnHeaderClick(0, MouseButton::mbLeft, 5, 5); // a third: ascending again
    EXPECT_EQ(g.tree.SortDirection(), sdAscending);
    EXPECT_EQ(g.names(), (std::vector<std::string>{"a", "b", "c"}));

    for (auto button : {MouseButton::mbRight, MouseButton::mbMiddle}) {
        g.tree.OnHeaderClick(1, button, 5, 5);
        EXPECT_EQ(g.tree.SortColumn(), 0);
        EXPECT_EQ(g.tree.SortDirection(), sdAscending);
        EXPECT_EQ(ctrl.SortField(), 0);
        EXPECT_EQ(g.names(), (std::vector<std::string>{"a", "b", "c"}));
    }
}

TEST(CorvaneCtrl, TheComparisonUsesTheSortFieldAndTheHeadersDirection) {
    Config config = Config::WithEntries({entry("File Name", 0), entry("File Size", 1)});
    Grid g;
    TCorvaneCtrl ctrl(g.tree);
    ctrl.SetupColumns(g.tree);
    g.add("x", 10);
    g.add("zero", 0);
    g.add("y", 5);
    g.tree.OnHeaderClick(1, MouseButton::mbLeft, 0, 0);
    // The column handed to the comparison does not matter.
    g.tree.SortTree(0, g.tree.SortDirection());
    EXPECT_EQ(g.names(), (std::vector<std::string>{"zero", "y", "x"}));
    g.tree.SetSortDirection(sdDescending);
    g.tree.SortTree(-1, sdDescending);
    EXPECT_EQ(g.names(), (std::vector<std::string>{"x", "y", "zero"}));
}

TEST(CorvaneCtrl, SortGridGivesTheOrderOfTheComparisonPairByPair) {
    Config config{std::string(DefaultConfigText)};
    std::mt19937 random(7);
    const std::vector<std::uint64_t> sizes{0, 12, 12, 1024, 7};
    auto fill = [&](Grid& g) {
        random.seed(7);
        for (int i = 0; i < 300; ++i) {
            const std::string name =
                random() % 20 ? std::string(1, char('a' + random() % 26)) + std::to_string(i) : "";
            g.add(name, sizes[random() % sizes.size()], "/p/" + name);
        }
    };
    for (int column : {0, 2}) {
        for (auto direction : {sdAscending, sdDescending}) {
            Grid fast, plain;
            fill(fast);
            fill(plain);
            TCorvaneCtrl a(fast.tree), b(plain.tree);
            a.SetupColumns(fast.tree);
            b.SetupColumns(plain.tree);
            a.TreeHeaderClick(column, MouseButton::mbLeft, 0, 0);
            b.TreeHeaderClick(column, MouseButton::mbLeft, 0, 0);
            fast.tree.SetSortDirection(direction);
            plain.tree.SetSortDirection(direction);
            a.SortGrid();
            plain.tree.SortTree(plain.tree.SortColumn(), direction); // through TreeCompareNodes
            std::vector<std::string> fastPaths, plainPaths;
            for (PVirtualNode n = fast.tree.GetFirst(); n; n = fast.tree.GetNext(n))
                fastPaths.emplace_back(RowOf(n).Path());
            for (PVirtualNode n = plain.tree.GetFirst(); n; n = plain.tree.GetNext(n))
                plainPaths.emplace_back(RowOf(n).Path());
            EXPECT_EQ(fastPaths, plainPaths) << column << " " << int(direction);
        }
    }
}

TEST(CorvaneCtrl, DoubleClickOpensTheFocusedRowsFolder) {
    FakeShell shell;
    Grid g;
    TCorvaneCtrl ctrl(g.tree);
    g.tree.OnDblClick(); // no focused row: nothing
    EXPECT_TRUE(shell.Calls().empty());

    g.tree.SetFocusedNode(g.add("a.txt", 0, "/data/sub/a.txt"));
    g.tree.OnDblClick();
    g.tree.SetFocusedNode(g.add(""));
    g.tree.OnDblClick(); // nothing to open
    const auto shown = shell.CallsOf(FakeShell::Kind::ShowFile);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "/data/sub/a.txt");
    EXPECT_EQ(shown[0].caption, "/data/sub");

    // Another grid's double click is not this grid's.
    TVirtualStringTree other;
    ctrl.TreeDblClick(&other);
    EXPECT_EQ(shell.Calls().size(), 1u);
}
