// SPDX-License-Identifier: GPL-3.0-or-later
#include "grid/ExportCommands.h"

#include "config/ConfigStore.h"
#include "config/DefaultConfig.h"
#include "rows/GridRows.h"
#include "scan/ResultRow.h"

#include "support/FakeShell.h"
#include "support/TempTree.h"
#include "support/WorkbookReader.h"

#include "support/TestRows.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace nullsweep;
using nullsweep::test::FakeShell;
using nullsweep::test::TempTree;
using nullsweep::test::WorkbookReader;

namespace {

constexpr ExportCommand AllCommands[] = {ExportCommand::HTML, ExportCommand::Text,
                                         ExportCommand::Excel, ExportCommand::CSV,
                                         ExportCommand::XML};

std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class ExportCommands : public ::testing::Test {
  protected:
    void SetUp() override {
        tree.Folder("program");
        UseConfigFile("");
        UseConfigFolder(tree.Path("program"));
        PrepareRowData(grid);
    }
    void TearDown() override {
        UseConfigFile("");
        UseConfigFolder("");
        ConfigStore(true);
    }

    PVirtualNode Row(const std::string& name, PVirtualNode parent = nullptr,
                     TCheckState check = csCheckedNormal) {
        PVirtualNode node = AddRow(grid, parent);
        RowOf(node) = test::FileRow("/data/" + name);
        grid.SetCheckState(node, check);
        return node;
    }

    // A configuration like the default one with the "Full Path" column hidden.
    void HideFullPath() {
        std::string text(DefaultConfigText);
        const std::string shown = "Name=\"Full Path\" Visible=\"True\"";
        text.replace(text.find(shown), shown.size(), "Name=\"Full Path\" Visible=\"False\"");
        tree.File("hidden.xml", text);
        UseConfigFile(tree.Path("hidden.xml"));
    }

    std::string Choose(const std::string& name) {
        shell.saveNames.push_back(tree.Path(name));
        return tree.Path(name);
    }
    std::vector<FakeShell::Call> Messages() const {
        return shell.CallsOf(FakeShell::Kind::ShowMessage);
    }
    void ExpectFinishedOnce() const {
        ASSERT_EQ(Messages().size(), 1u);
        EXPECT_EQ(Messages()[0].text, "Export Finished");
        EXPECT_EQ(Messages()[0].caption, "Done");
        EXPECT_EQ(Messages()[0].icon, MessageIcon::None);
    }

    TempTree tree;
    FakeShell shell;
    TVirtualStringTree grid;
    XMLDocument doc;
};

} // namespace

TEST_F(ExportCommands, AnEmptyGridAsksNothingAndShowsNothing) {
    for (ExportCommand command : AllCommands) {
        shell.saveNames.push_back(tree.Path("never"));
        RunExportCommand(command, grid, doc);
    }
    EXPECT_TRUE(shell.Calls().empty());
    EXPECT_FALSE(std::filesystem::exists(tree.Path("never")));
}

TEST_F(ExportCommands, ColumnsAreTheVisibleConfiguredNamesAsStored) {
    ExportColumns columns;
    FillExportColumns(columns);
    EXPECT_EQ(columns, (ExportColumns{"         File Name", "Full Path", "File Size", "File Ext",
                                      "Create Time", "Access Time", "Write Time"}));
    HideFullPath();
    columns = {"kept"};
    FillExportColumns(columns); // appends
    EXPECT_EQ(columns, (ExportColumns{"kept", "         File Name", "File Size", "File Ext",
                                      "Create Time", "Access Time", "Write Time"}));
}

TEST_F(ExportCommands, EveryRowGoesOutInOrderWhateverItsCheckState) {
    PVirtualNode first = Row("first");
    Row("child", first, csUncheckedNormal);
    Row("unchecked", nullptr, csUncheckedNormal);
    Row("last");

    const std::string text = Choose("list.txt");
    RunExportCommand(ExportCommand::Text, grid, doc);
    ExpectFinishedOnce();
    const std::string written = FileText(text);
    const std::string lines[] = {"         File Name          Full Path",
                                 "first          /data/first", "child          /data/child",
                                 "unchecked          /data/unchecked", "last          /data/last"};
    std::size_t at = 0;
    for (const std::string& line : lines) {
        std::size_t found = written.find(line, at);
        ASSERT_NE(found, std::string::npos) << line;
        at = found + line.size();
    }

    const std::string sheet = Choose("list.xlsx");
    RunExportCommand(ExportCommand::Excel, grid, doc);
    EXPECT_EQ(Messages().size(), 2u);
    WorkbookReader book(sheet);
    EXPECT_EQ(book.Value("A1"), "list");
    EXPECT_EQ(book.Value("B2"), "         File Name");
    const char* names[] = {"first", "child", "unchecked", "last"};
    for (int k = 0; k < 4; ++k) {
        const std::string row = std::to_string(k + 3);
        EXPECT_EQ(book.Value("A" + row), std::to_string(k + 1));
        EXPECT_EQ(book.Value("B" + row), names[k]);
    }
    EXPECT_EQ(book.MaxRow(), 6);
    EXPECT_EQ(book.MaxColumn(), 8);
}

TEST_F(ExportCommands, ACancelledDialogShowsNoMessage) {
    Row("only");
    for (ExportCommand command : AllCommands)
        RunExportCommand(command, grid, doc);
    EXPECT_EQ(shell.CallsOf(FakeShell::Kind::SaveFileName).size(), 5u);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(ExportCommands, AHiddenColumnLeavesTheSpreadsheetButNotTheXml) {
    Row("only");
    HideFullPath();
    const std::string sheet = Choose("hidden.xlsx");
    RunExportCommand(ExportCommand::Excel, grid, doc);
    WorkbookReader book(sheet);
    EXPECT_EQ(book.MaxColumn(), 7);
    for (const char* cell : {"B2", "C2", "D2", "E2", "F2", "G2"})
        EXPECT_NE(book.Value(cell), "Full Path") << cell;

    const std::string xml = Choose("rows.xml");
    RunExportCommand(ExportCommand::XML, grid, doc);
    EXPECT_NE(FileText(xml).find("FullPath=\"/data/only\""), std::string::npos);
    EXPECT_EQ(Messages().size(), 2u);
}

TEST_F(ExportCommands, AConfigurationThatCannotBeReadPassesOnWithoutAMessage) {
    Row("only");
    UseConfigFile(tree.Path("missing.xml"));
    for (ExportCommand command : AllCommands)
        EXPECT_ANY_THROW(RunExportCommand(command, grid, doc));
    EXPECT_TRUE(shell.Calls().empty());
}
