// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/FileInfo.h"
#include "ExportTestSupport.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

using namespace nullsweep;
using namespace nullsweep::test;

namespace {

struct ExportFixture : ::testing::Test {
    ExportFixture() {
        AddTestRow(
            grid, nullptr,
            {{FieldId::FileName, "one"}, {FieldId::FullPath, "/f/one"}, {FieldId::FileSize, "0"}});
        AddTestRow(grid, nullptr,
                   {{FieldId::FileName, "two\nlines"}, {FieldId::FullPath, "/f/two\nlines"}});
        info.Columns = {"         File Name", "File Size"};
        shell.savePath = t.Path("out.txt");
    }
    TempTree t;
    TVirtualStringTree grid;
    FakeExportShell shell;
    RecordingWaitWindow wait;
    TFileInfo info;
};

const std::vector<std::string> ExportWaitCalls = {"show", "text:Export to file..", "hide"};

} // namespace

TEST_F(ExportFixture, TextFileEndsEveryLineWithCrLf) {
    ASSERT_TRUE(info.ExportToText("", std::string(TextSeparator), ExportRowsOf(grid)));
    // A line feed inside a value ends a line of the file like any other.
    EXPECT_EQ(ReadFile(t.Path("out.txt")), "         File Name          File Size          \r\n"
                                           "one          0\r\n"
                                           "two\r\nlines          0\r\n");
    EXPECT_EQ(shell.saveRequests.at(0).defaultSuffix, "txt");
    EXPECT_EQ(shell.saveRequests.at(0).filter, "Text File (*.txt)");
    EXPECT_EQ(wait.calls, ExportWaitCalls);
}

TEST_F(ExportFixture, CsvFileHasNoByteOrderMarkAndQuotedLineBreaksStayInTheirValue) {
    shell.savePath = t.Path("out.csv");
    ASSERT_TRUE(info.ExportToCSV("", ",", ExportRowsOf(grid)));
    EXPECT_EQ(ReadFile(t.Path("out.csv")),
              "         File Name,File Size,\r\none,0\r\n\"two\nlines\",0\r\n");
    EXPECT_EQ(shell.saveRequests.at(0).filter, "CSV File (*.csv)");
}

TEST_F(ExportFixture, CancelOrNoWritesNothingAndShowsNoWaitWindow) {
    shell.savePath.clear();
    EXPECT_FALSE(info.ExportToText("", ",", ExportRowsOf(grid)));
    EXPECT_TRUE(FolderEntries(t.Root()).empty());

    WriteFile(t.Path("out.txt"), "old");
    shell.savePath = t.Path("out.txt");
    shell.answerYes = false;
    EXPECT_FALSE(info.ExportToCSV("", ",", ExportRowsOf(grid)));
    EXPECT_FALSE(info.ExportToHTML("", ExportRowsOf(grid)));
    EXPECT_EQ(ReadFile(t.Path("out.txt")), "old");
    EXPECT_TRUE(wait.calls.empty());
}

TEST_F(ExportFixture, YesReplacesTheOldFile) {
    WriteFile(t.Path("out.txt"), std::string(10000, 'o'));
    ASSERT_TRUE(info.ExportToText("", ",", ExportRowsOf(grid)));
    EXPECT_EQ(ReadFile(t.Path("out.txt")).substr(0, 28), "         File Name,File Size");
    EXPECT_EQ(shell.questions.size(), 1u);
    EXPECT_EQ(FolderEntries(t.Root()), std::vector<std::string>{"out.txt"});
}

TEST_F(ExportFixture, FailedWriteKeepsTheOldFileAndHidesTheWaitWindow) {
    t.Folder("locked");
    WriteFile(t.Path("locked/out.htm"), "old");
    t.Chmod("locked", 0555);
    shell.savePath = t.Path("locked/out.htm");
    const std::string outcome = RunWithoutRoot([&] {
        std::string result;
        try {
            result = info.ExportToHTML("", ExportRowsOf(grid)) ? "true" : "false";
        } catch (const ExportError& e) {
            result = e.what();
        }
        for (const std::string& call : wait.calls)
            result += "|" + call;
        return result;
    });
    t.Chmod("locked", 0755);
    EXPECT_EQ(outcome, "cannot write " + t.Path("locked/out.htm") +
                           ": Permission denied|show|text:Export to file..|hide");
    EXPECT_EQ(ReadFile(t.Path("locked/out.htm")), "old");
    EXPECT_EQ(FolderEntries(t.Path("locked")), std::vector<std::string>{"out.htm"});
}
