// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/ExportFile.h"
#include "ExportTestSupport.h"
#include "desktop/DesktopShell.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

using namespace nullsweep;
using namespace nullsweep::test;

TEST(ChooseExportFile, AsksTheDialogWithTheWritersExtensionAndFilter) {
    FakeExportShell shell;
    shell.savePath = "/nowhere/list.csv";
    EXPECT_EQ(ChooseExportFile(CsvFileType, "start"), "/nowhere/list.csv");
    ASSERT_EQ(shell.saveRequests.size(), 1u);
    EXPECT_EQ(shell.saveRequests[0].defaultSuffix, "csv");
    EXPECT_EQ(shell.saveRequests[0].filter, "CSV File (*.csv)");
    EXPECT_EQ(shell.saveRequests[0].initialName, "start");
    EXPECT_TRUE(shell.questions.empty()) << "no question for a new file";

    ChooseExportFile(XmlFileType, "");
    EXPECT_EQ(shell.saveRequests[1].defaultSuffix, "xml");
    EXPECT_EQ(shell.saveRequests[1].filter, "XML File (*.xml *.XML)");
    EXPECT_EQ(shell.saveRequests[1].initialName, "");
}

TEST(ChooseExportFile, CancelledDialogGivesNothing) {
    FakeExportShell shell;
    EXPECT_EQ(ChooseExportFile(TextFileType, ""), "");
    EXPECT_TRUE(shell.questions.empty());
}

TEST(ChooseExportFile, ExistingFileIsKeptUntilTheNewOneIsWritten) {
    TempTree t;
    WriteFile(t.Path("old.htm"), "keep me");
    FakeExportShell shell;
    shell.savePath = t.Path("old.htm");

    shell.answerYes = false;
    EXPECT_EQ(ChooseExportFile(HtmlFileType, ""), "");
    ASSERT_EQ(shell.questions.size(), 1u);
    EXPECT_EQ(shell.questions[0].first, "Catalog with the same name already exists,overwrite?");
    EXPECT_EQ(shell.questions[0].second, "Warning");
    EXPECT_EQ(ReadFile(t.Path("old.htm")), "keep me");

    shell.answerYes = true;
    EXPECT_EQ(ChooseExportFile(HtmlFileType, ""), t.Path("old.htm"));
    EXPECT_EQ(ReadFile(t.Path("old.htm")), "keep me");
}

TEST(ChooseExportFile, DanglingLinkCountsAsAnExistingFile) {
    TempTree t;
    t.Link("link.txt", "missing-target");
    FakeExportShell shell;
    shell.savePath = t.Path("link.txt");
    shell.answerYes = false;
    EXPECT_EQ(ChooseExportFile(TextFileType, ""), "");
    EXPECT_EQ(shell.questions.size(), 1u);
}

TEST(TitleFromPath, TakesTheNameUpToItsFirstDot) {
    EXPECT_EQ(TitleFromPath("/reports/empty.files.htm"), "empty");
    EXPECT_EQ(TitleFromPath("/reports/Empty list.xlsx"), "Empty list");
    EXPECT_EQ(TitleFromPath("/out/list.2024.htm"), "list");
    EXPECT_EQ(TitleFromPath("/a.b/plain"), "plain") << "dots of folders do not count";
    EXPECT_EQ(TitleFromPath("relative.htm"), "relative");
    EXPECT_EQ(TitleFromPath("/out/.hidden.htm"), "");
    EXPECT_EQ(TitleFromPath(""), "");
}

TEST(WaitScope, ShowsTheTextAndHidesOnEveryPath) {
    RecordingWaitWindow wait;
    try {
        WaitScope scope(ExportWaitText);
        throw std::runtime_error("failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(wait.calls, (std::vector<std::string>{"show", "text:Export to file..", "hide"}));
}
