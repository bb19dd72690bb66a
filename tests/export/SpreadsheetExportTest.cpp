// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/SpreadsheetExport.h"
#include "desktop/DesktopShell.h"
#include "export/ColumnLetters.h"
#include "export/FileInfo.h"

#include "support/FakeShell.h"
#include "support/TempTree.h"
#include "support/WorkbookReader.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace nullsweep;
using nullsweep::test::FakeShell;
using nullsweep::test::TempTree;
using nullsweep::test::WorkbookReader;

namespace {

class SpreadsheetExport : public ::testing::Test {
  protected:
    // An export document of `rows` "file" elements, each with FileName "fK" and, for every
    // third, FullPath "/d/fK"; `children` more below the fourth.
    void MakeDocument(int rows, int children = 0) {
        std::string xml = R"(<?xml version="1.0" encoding="utf-8" standalone="yes" ?> <fileinfo>)";
        for (int k = 1; k <= rows; ++k) {
            xml += "<file FileName=\"f" + std::to_string(k) + "\"";
            if (k % 3 == 0) xml += " FullPath=\"/d/f" + std::to_string(k) + "\"";
            xml += ">";
            if (k == 4)
                for (int c = 1; c <= children; ++c)
                    xml += "<file FileName=\"child" + std::to_string(c) + "\"/>";
            xml += "</file>";
        }
        document.LoadFromXML(xml + "</fileinfo>");
        info.Doc = &document;
    }

    // The save dialog's answer; none: cancelled.
    void Choose(const std::string& name) { shell.saveNames.push_back(tree.Path(name)); }
    std::size_t Dialogs() const { return shell.CallsOf(FakeShell::Kind::SaveFileName).size(); }
    std::vector<FakeShell::Call> Messages() const {
        return shell.CallsOf(FakeShell::Kind::ShowMessage);
    }

    FakeShell shell;
    XMLDocument document;
    TFileInfo info;
    TempTree tree;
};

} // namespace

TEST(ColumnLetters, CountsLikeSpreadsheetsPastTwoLetters) {
    const std::pair<const char*, const char*> cases[] = {
        {"1", "A"},     {"26", "Z"},    {"27", "AA"},       {"52", "AZ"},     {"53", "BA"},
        {"702", "ZZ"},  {"703", "AAA"}, {"728", "AAZ"},     {"16384", "XFD"}, {" 28 ", "AB"},
        {"1e1", "J"},   {"0", "0"},     {"-3", "-3"},       {"1.5", "1.5"},   {"", ""},
        {"abc", "abc"}, {"27a", "27a"}, {"1,000", "1,000"},
    };
    for (auto [number, letters] : cases)
        EXPECT_EQ(ColumnLetters(number), letters) << number;
}

TEST_F(SpreadsheetExport, CountsAndNumbersElementsParentFirst) {
    MakeDocument(6, 2);
    const XMLNode root = document.DocumentElement();
    ASSERT_EQ(CountElements(root), 8u);
    EXPECT_EQ(CountElements(root.ChildNodes().Item(3)), 2u);
    EXPECT_EQ(CountElements(root.ChildNodes().Item(0)), 0u);

    info.Columns = {"         File Name", "Full Path", "No Such Field", "  "};
    SheetArray array = BuildSheetArray(root, 8, info.Columns);
    ASSERT_EQ(array.Rows(), 9u);
    ASSERT_EQ(array.Columns(), 5u);
    EXPECT_EQ(array.At(0, 0), "SerialNO");
    EXPECT_EQ(array.At(0, 1), "         File Name");
    EXPECT_EQ(array.At(0, 3), "No Such Field");
    // Row 4's two children follow it as 5 and 6; the rows after them go on from 7.
    const char* names[] = {"f1", "f2", "f3", "f4", "child1", "child2", "f5", "f6"};
    for (std::size_t k = 1; k <= 8; ++k) {
        EXPECT_EQ(array.At(k, 0), std::to_string(k));
        EXPECT_EQ(array.At(k, 1), names[k - 1]);
        EXPECT_EQ(array.At(k, 3), ""); // a name that is no attribute gives an empty column
        EXPECT_EQ(array.At(k, 4), "");
    }
    EXPECT_EQ(array.At(3, 2), "/d/f3");
    EXPECT_EQ(array.At(8, 2), "/d/f6");
    EXPECT_EQ(array.At(7, 2), "");

    // A document that grew since it was counted is a fault of the caller, not a reason to write
    // past the array.
    EXPECT_THROW(BuildSheetArray(root, 7, info.Columns), std::logic_error);
}

TEST_F(SpreadsheetExport, WritesTitleHeaderNumberedFramedRows) {
    MakeDocument(9, 1);
    info.Columns = {"         File Name", "Full Path", "File Size", "Nothing", "FileName"};
    Choose("report.final.xlsx");
    ASSERT_TRUE(info.ExportToExcel(""));
    ASSERT_EQ(Dialogs(), 1u);
    const SaveFileRequest& asked = shell.Calls()[0].request;
    EXPECT_EQ(asked.defaultSuffix, "xlsx");
    EXPECT_EQ(asked.filter, "EXCEL File (*.xlsx)");
    EXPECT_EQ(asked.initialName, "");
    EXPECT_TRUE(Messages().empty());

    WorkbookReader book(tree.Path("report.final.xlsx"));
    EXPECT_EQ(book.Value("A1"), "report");
    EXPECT_TRUE(book.Bold("A1"));
    EXPECT_EQ(book.Horizontal("A1"), "center");
    EXPECT_EQ(book.Merged(), std::vector<std::string>{"A1:F1"}); // five columns and the number
    EXPECT_EQ(book.MaxRow(), 12);                                // ten rows: A2:F12
    EXPECT_EQ(book.MaxColumn(), 6);
    EXPECT_EQ(book.Value("A2"), "SerialNO");
    EXPECT_EQ(book.Value("B2"), "         File Name");
    EXPECT_EQ(book.Value("E2"), "Nothing");
    EXPECT_EQ(book.Value("A3"), "1");
    EXPECT_EQ(book.Value("A12"), "10");
    EXPECT_EQ(book.Value("B7"), "child1"); // numbered 5, after its parent f4
    EXPECT_EQ(book.Value("A7"), "5");
    EXPECT_EQ(book.Value("B8"), "f5");
    EXPECT_EQ(book.Value("C5"), "/d/f3");
    EXPECT_EQ(book.Value("E5"), "");
    EXPECT_EQ(book.Value("F12"), "f9");
    for (const char* cell : {"A2", "F2", "E5", "A12", "F12", "D7"})
        EXPECT_TRUE(book.Framed(cell)) << cell;
    EXPECT_FALSE(book.Has("A13"));
    EXPECT_FALSE(book.Has("G2"));
    EXPECT_GE(book.Width("B"), 18);
    EXPECT_GE(book.Width("A"), 8);
}

TEST_F(SpreadsheetExport, NoColumnsGiveOneNumberedColumn) {
    MakeDocument(3);
    Choose("only numbers.xlsx");
    ASSERT_TRUE(info.ExportToExcel(""));
    WorkbookReader book(tree.Path("only numbers.xlsx"));
    EXPECT_EQ(book.Value("A1"), "only numbers");
    EXPECT_TRUE(book.Merged().empty()); // A1:A1 is one cell
    EXPECT_EQ(book.Value("A2"), "SerialNO");
    EXPECT_EQ(book.Value("A5"), "3");
    EXPECT_EQ(book.MaxColumn(), 1);
    EXPECT_EQ(book.MaxRow(), 5);
}

TEST_F(SpreadsheetExport, RowLimitWarnsBeforeAnyDialogAndWritesNothing) {
    // The limit is the sheet's 1,048,576 rows less title and header: 1,048,574 elements.
    std::string xml = "<fileinfo>";
    xml.reserve(8 * 1048576);
    for (int k = 0; k < 1048574; ++k)
        xml += "<file/>";
    document.LoadFromXML(xml + "</fileinfo>");
    info.Doc = &document;

    // At the limit the export goes on to the dialog (cancelled here).
    EXPECT_FALSE(info.ExportToExcel(""));
    EXPECT_EQ(Dialogs(), 1u);
    EXPECT_TRUE(Messages().empty());

    document.DocumentElement().AddChild("file");
    Choose("big.xlsx");
    EXPECT_FALSE(info.ExportToExcel(""));
    EXPECT_EQ(Dialogs(), 1u); // not asked again
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].text, "The row count is out of excel range.");
    EXPECT_EQ(Messages()[0].caption, "Warning");
    EXPECT_EQ(Messages()[0].icon, MessageIcon::Warning);
    EXPECT_FALSE(std::filesystem::exists(tree.Path("big.xlsx")));
}

TEST_F(SpreadsheetExport, CancelledDialogWritesNothing) {
    MakeDocument(2);
    EXPECT_FALSE(info.ExportToExcel(""));
    EXPECT_EQ(Dialogs(), 1u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tree.Root()), {}), 0);
}

TEST_F(SpreadsheetExport, WhatWasFilledIsSavedWhenTheSheetCannotTakeTheRest) {
    // One column more than a sheet has: the title is set, then the merge over the columns fails.
    MakeDocument(2);
    info.Columns.assign(16384, "File Name");
    Choose("wide.xlsx");
    try {
        info.ExportToExcel("");
        FAIL() << "a sheet wider than the application allows was reported as written";
    } catch (const std::exception& error) {
        EXPECT_NE(std::string(error.what()).find("wide.xlsx"), std::string::npos) << error.what();
    }
    WorkbookReader book(tree.Path("wide.xlsx"));
    EXPECT_EQ(book.Value("A1"), "wide");
    EXPECT_TRUE(book.Bold("A1"));
    EXPECT_FALSE(book.Has("A2"));
}
