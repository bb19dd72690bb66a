// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan/FileActions.h"
#include "rows/GridRows.h"
#include "scan/ResultRow.h"
#include "support/FakeShell.h"
#include "support/TestRows.h"

#include <gtest/gtest.h>

using namespace nullsweep;
using nullsweep::test::FakeShell;

TEST(FileActions, FolderPartOfAPath) {
    EXPECT_EQ(FolderPartOf("/x.txt"), "/");
    EXPECT_EQ(FolderPartOf("/a/x.txt"), "/a");
    EXPECT_EQ(FolderPartOf("/a/b/"), "/a/b");
    EXPECT_EQ(FolderPartOf("/a//x"), "/a//");
    EXPECT_EQ(FolderPartOf("x.txt"), "");
    EXPECT_EQ(FolderPartOf(""), "");
}

TEST(FileActions, OpenInExplorerShowsTheFocusedRowsFileInItsFolder) {
    FakeShell shell;
    TVirtualStringTree grid;
    PrepareRowData(grid);
    auto add = [&](const std::string& path) {
        PVirtualNode node = AddRow(grid, nullptr);
        if (!path.empty()) RowOf(node) = test::FileRow(path);
        return node;
    };
    OpenInExplorer(grid); // no focused row
    EXPECT_TRUE(shell.Calls().empty());
    const PVirtualNode rows[] = {add("/a/x.txt"), add("/x.txt"), add(""), add("x.txt")};
    for (PVirtualNode row : rows) {
        grid.SetFocusedNode(row);
        OpenInExplorer(grid);
    }
    std::vector<std::string> opened;
    for (const auto& call : shell.Calls())
        opened.push_back(call.kind == FakeShell::Kind::ShowFile
                             ? "show " + call.text + " in " + call.caption
                             : "open " + call.text);
    EXPECT_EQ(opened, (std::vector<std::string>{"show /a/x.txt in /a", "show /x.txt in /"}));
}
