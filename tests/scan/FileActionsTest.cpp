// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan/FileActions.h"
#include "rows/GridRows.h"
#include "scan/ResultRow.h"
#include "support/FakeShell.h"
#include "support/TestRows.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

using namespace nullsweep;
using nullsweep::test::FakeShell;
using nullsweep::test::RunWithoutRoot;
using nullsweep::test::TempTree;

namespace {

bool exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

} // namespace

TEST(DeleteDiskFile, RemovesOnlyWhatIsStillAnEmptyRegularFile) {
    TempTree t;
    t.File("empty");
    t.File("grown", "data since the scan");
    t.Folder("folder");
    t.Fifo("fifo");
    t.File("read-only");
    t.Chmod("read-only", 0444);
    for (const char* name : {"empty", "grown", "folder", "fifo", "read-only", "missing"})
        DeleteDiskFile(t.Path(name));
    EXPECT_FALSE(exists(t.Path("empty")));
    EXPECT_FALSE(exists(t.Path("read-only")));
    EXPECT_TRUE(exists(t.Path("grown")));
    EXPECT_TRUE(exists(t.Path("folder")));
    EXPECT_TRUE(exists(t.Path("fifo")));
    DeleteDiskFile("");
    DeleteDiskFile(t.Root() + "/");
    EXPECT_TRUE(exists(t.Root()));
}

TEST(DeleteDiskFile, NeverFollowsALinkPutInPlaceOfTheFile) {
    TempTree t;
    t.File("elsewhere/target");
    t.Link("listed", "elsewhere/target");
    DeleteDiskFile(t.Path("listed"));
    EXPECT_TRUE(exists(t.Path("listed")));
    EXPECT_TRUE(exists(t.Path("elsewhere/target")));
    // A folder reached through a link, as a scan root given as a link is: its files do go.
    t.Link("root-link", "elsewhere");
    DeleteDiskFile(t.Path("root-link/target"));
    EXPECT_FALSE(exists(t.Path("elsewhere/target")));
}

TEST(DeleteDiskFile, PermissionsOfTheFolderDecide) {
    TempTree t;
    t.File("locked/empty");
    t.Chmod("locked", 0555);
    t.File("open/read-only");
    t.Chmod("open/read-only", 0444);
    t.Chmod("open", 0777);
    const std::string seen = RunWithoutRoot([&] {
        DeleteDiskFile(t.Path("locked/empty"));
        DeleteDiskFile(t.Path("open/read-only"));
        return std::string(exists(t.Path("locked/empty")) ? "kept " : "gone ") +
               (exists(t.Path("open/read-only")) ? "kept" : "gone");
    });
    EXPECT_EQ(seen, "kept gone");
}

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

TEST(FileActions, WebSiteAndMailUseExampleAddresses) {
    FakeShell shell;
    EXPECT_TRUE(OpenWebSite());
    EXPECT_TRUE(OpenMailTo());
    ASSERT_EQ(shell.Calls().size(), 2u);
    EXPECT_EQ(shell.Calls()[0].text, WebSiteAddress);
    EXPECT_EQ(shell.Calls()[1].text, MailToAddress);
    for (std::string_view address : {WebSiteAddress, MailToAddress})
        EXPECT_TRUE(address.find("example.org") != std::string_view::npos) << address;
}
