// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/SpreadsheetApp.h"
#include "export/SheetModel.h"
#include "export/WorkbookFile.h"

#include "support/TempTree.h"
#include "support/WorkbookReader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

using namespace nullsweep;
using nullsweep::test::TempTree;
using nullsweep::test::WorkbookReader;

namespace {

SheetArray Array(std::initializer_list<std::initializer_list<const char*>> rows) {
    SheetArray array(rows.size(), rows.begin()->size());
    std::size_t r = 0;
    for (const auto& row : rows) {
        std::size_t c = 0;
        for (const char* text : row)
            array.Set(r, c++, text);
        ++r;
    }
    return array;
}

std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The sequence a report sheet is made with: a merged title over the columns, then a framed
// table with fitted widths.
void FillReport(const AutoObject& app, SheetArray table, const std::string& last) {
    app.Set("ScreenUpdating", false);
    app.Set("Visible", false);
    app.Get("WorkBooks").Call("Add");
    AutoObject title = app.Get("WorkBooks", 1).Get("WorkSheets", 1).Get("Cells", 1, 1);
    title.Set("Value", std::string("Report"));
    title.Set("HorizontalAlignment", -4108LL);
    title.Set("VerticalAlignment", -4108LL);
    title.Get("Font").Set("Bold", true);
    AutoObject sheet = app.Get("WorkBooks", 1).Get("WorkSheets", 1);
    sheet.Get("Range", "A1:" + last + "1").Call("Merge");
    AutoObject data = sheet.Get("Range", "A2:" + last + std::to_string(table.Rows() + 1));
    data.Set("Value", std::move(table));
    data.Get("Borders").Set("LineStyle", 1LL);
    data.Get("Columns").Call("AutoFit");
    data.Get("Rows").Call("AutoFit");
}

} // namespace

TEST(SpreadsheetApp, SavesTheTitleTableBordersAndWidthsAReaderSees) {
    TempTree tree;
    AutoObject app = CreateOleObject("Excel.Application");
    FillReport(app,
               Array({{"SerialNO", "         File Name", "Full Path"},
                      {"1", "a.txt", "/home/someone/with a rather long folder name/a.txt"},
                      {"2", "", "/b"}}),
               "C");
    app.Get("workBooks", 1).Call("SaveAs", tree.Path("report.xlsx"));
    app.Set("ScreenUpdating", true);
    app.Get("workBooks", 1).Call("close");

    WorkbookReader book(tree.Path("report.xlsx"));
    EXPECT_EQ(book.Sheets(), 1);
    EXPECT_EQ(book.Value("A1"), "Report");
    EXPECT_TRUE(book.Bold("A1"));
    EXPECT_EQ(book.Horizontal("A1"), "center");
    EXPECT_EQ(book.Vertical("A1"), "center");
    EXPECT_EQ(book.Merged(), std::vector<std::string>{"A1:C1"});
    EXPECT_TRUE(book.Unframed("A1"));

    EXPECT_EQ(book.Value("A2"), "SerialNO");
    EXPECT_EQ(book.Value("B2"), "         File Name"); // leading blanks survive
    EXPECT_EQ(book.Value("C3"), "/home/someone/with a rather long folder name/a.txt");
    EXPECT_EQ(book.Value("B4"), "");
    EXPECT_EQ(book.MaxRow(), 4);
    EXPECT_EQ(book.MaxColumn(), 3);
    EXPECT_FALSE(book.Bold("B2"));

    // Every cell of the table is framed on all sides, the empty one too; nothing outside it.
    for (const char* cell : {"A2", "B2", "C2", "A3", "B3", "C3", "A4", "B4", "C4"})
        EXPECT_TRUE(book.Framed(cell)) << cell;
    EXPECT_FALSE(book.Has("D2"));
    EXPECT_FALSE(book.Has("A5"));

    // Widths follow the longest text of the table, not the title.
    EXPECT_GE(book.Width("A"), 8); // "SerialNO"
    EXPECT_LT(book.Width("A"), 12);
    EXPECT_GE(book.Width("B"), 18); // the name with its blanks
    EXPECT_GE(book.Width("C"), 50);
    EXPECT_LT(book.Width("C"), 60);
}

TEST(SpreadsheetApp, KeepsTextsAsTextsAndMendsWhatXmlCannotHold) {
    TempTree tree;
    AutoObject app = CreateOleObject("Excel.Application");
    app.Get("WorkBooks").Call("Add");
    AutoObject sheet = app.Get("WorkBooks", 1).Get("WorkSheets", 1);
    sheet.Get("Range", "A1:F1")
        .Set("Value", Array({{"00123", "=SUM(B1)", "2024-01-01",
                              "Gr\xC3\xBC\xC3\x9F"
                              "e \xE6\x97\xA5",
                              "bad\xFFname", "ctl\x01x"}}));
    app.Get("WorkBooks", 1).Call("SaveAs", tree.Path("texts.xlsx"));

    WorkbookReader book(tree.Path("texts.xlsx"));
    EXPECT_EQ(book.Value("A1"), "00123");
    EXPECT_EQ(book.Type("A1"), "str");
    EXPECT_EQ(book.Value("B1"), "=SUM(B1)"); // a file name, not a formula
    EXPECT_EQ(book.Type("B1"), "str");
    EXPECT_EQ(book.Type("C1"), "str");
    EXPECT_EQ(book.Value("D1"), "Gr\xC3\xBC\xC3\x9F"
                                "e \xE6\x97\xA5");
    EXPECT_EQ(book.Value("E1"), "bad\xEF\xBF\xBDname");
    EXPECT_EQ(book.Value("F1"), "ctl\xEF\xBF\xBDx");
}

TEST(SpreadsheetApp, RefusesWhatItDoesNotOfferAndNamesIt) {
    AutoObject app = CreateOleObject("excel.application");
    EXPECT_THROW(CreateOleObject("Word.Application"), AutomationError);
    EXPECT_THROW(app.Get("WorkBooks", 1), AutomationError); // none added yet
    app.Get("WorkBooks").Call("Add");
    AutoObject sheet = app.Get("WORKBOOKS", 1).Get("worksheets", 1);
    EXPECT_THROW(app.Get("WorkBooks", 1).Get("WorkSheets", 2), AutomationError);
    try {
        sheet.Get("Range", "A1").Call("Shrink");
        FAIL() << "an unknown member was accepted";
    } catch (const AutomationError& error) {
        EXPECT_NE(std::string(error.what()).find("\"Shrink\""), std::string::npos);
    }
    EXPECT_THROW(sheet.Get("Range", "A1:B2").Set("Value", Array({{"1", "2", "3"}})),
                 AutomationError);
    EXPECT_THROW(sheet.Get("Range", "A1:B2").Set("Value", 5LL), AutomationError);
    EXPECT_THROW(sheet.Get("Range", "A1:B1").Set("HorizontalAlignment", 7LL), AutomationError);
    EXPECT_THROW(sheet.Get("Range", "A1:B2").Call("Merge"), AutomationError);
    EXPECT_THROW(sheet.Get("Range", "A1").Call("AutoFit"), AutomationError);
    EXPECT_THROW(sheet.Get("Cells", 0, 1), AutomationError);
    EXPECT_THROW(sheet.Get("Cells", 1, 16385), AutomationError);

    app.Get("WorkBooks", 1).Call("close");
    EXPECT_THROW(sheet.Get("Cells", 1, 1), AutomationError);
    EXPECT_THROW(app.Get("WorkBooks", 1), AutomationError);
}

TEST(SheetRange, ReadsReferencesWithinTheSheetOnly) {
    EXPECT_EQ(ParseRange("A1:F1"), (CellRange{0, 0, 0, 5}));
    EXPECT_EQ(ParseRange("a2:f12"), (CellRange{1, 0, 11, 5}));
    EXPECT_EQ(ParseRange("F12:A2"), (CellRange{1, 0, 11, 5}));
    EXPECT_EQ(ParseRange("AA7"), (CellRange{6, 26, 6, 26}));
    EXPECT_EQ(ParseRange("A1:XFD1048576"), (CellRange{0, 0, 1048575, 16383}));
    for (const char* bad :
         {"", "A", "1", "A0", "XFE1", "A1048577", "A1:", "A1:B", "A-1", "1A", "A1:B2:C3", "AAAAA1"})
        EXPECT_THROW(ParseRange(bad), AutomationError) << bad;
}

TEST(SpreadsheetApp, SaveAsReplacesAFileOnlyWithACompleteWorkbook) {
    TempTree tree;
    tree.File("old.xlsx", "the old content");
    AutoObject app = CreateOleObject("Excel.Application");
    AutoObject book = app.Get("WorkBooks").Get("Add");
    AutoObject cell = book.Get("WorkSheets", 1).Get("Cells", 1, 1);
    cell.Set("Value", std::string(40000, 'x')); // beyond what a cell may hold
    EXPECT_THROW(book.Call("SaveAs", tree.Path("old.xlsx")), std::runtime_error);
    EXPECT_EQ(FileText(tree.Path("old.xlsx")), "the old content");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tree.Root()), {}), 1);

    cell.Set("Value", std::string("fits"));
    book.Call("SaveAs", tree.Path("old.xlsx"));
    EXPECT_EQ(WorkbookReader(tree.Path("old.xlsx")).Value("A1"), "fits");

    try {
        book.Call("SaveAs", tree.Path("missing/new.xlsx"));
        FAIL() << "saved into a folder that does not exist";
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find(tree.Path("missing/new.xlsx")), std::string::npos);
    }
}

TEST(SpreadsheetApp, AnEmptyWorkbookIsStillAWorkbook) {
    TempTree tree;
    AutoObject app = CreateOleObject("Excel.Application");
    app.Get("WorkBooks").Call("Add");
    app.Get("WorkBooks", 1).Call("SaveAs", tree.Path("empty.xlsx"));
    WorkbookReader book(tree.Path("empty.xlsx"));
    EXPECT_EQ(book.Sheets(), 1);
    EXPECT_FALSE(book.Has("A1"));
}

TEST(WorkbookText, FittedWidthCountsCharactersOfTheLongestLine) {
    EXPECT_EQ(FittedWidth(""), 0);
    EXPECT_EQ(FittedWidth("abc"), FittedWidth("\xE6\x97\xA5\xE6\x97\xA5\xE6\x97\xA5"));
    EXPECT_LT(FittedWidth("abc"), FittedWidth("abcd"));
    EXPECT_EQ(FittedWidth("ab\nabcdef\nx"), FittedWidth("abcdef"));
}

TEST(SheetArray, KeepsEveryTextAcrossBlocksAsACString) {
    SheetArray array(3000, 2);
    EXPECT_EQ(array.At(2999, 1), "");
    EXPECT_STREQ(array.At(0, 0).data(), "");
    const std::string big(3 << 20, 'b'); // larger than a block
    for (std::size_t r = 0; r < 3000; ++r)
        array.Set(r, 0, std::string(500 + r % 7, char('a' + r % 26)));
    array.Set(1500, 1, big);
    array.Set(1, 1, "first");
    array.Set(1, 1, "second"); // replaced
    for (std::size_t r = 0; r < 3000; ++r) {
        ASSERT_EQ(array.At(r, 0), std::string(500 + r % 7, char('a' + r % 26))) << r;
        ASSERT_EQ(std::strlen(array.At(r, 0).data()), 500 + r % 7) << r;
    }
    EXPECT_EQ(array.At(1500, 1), big);
    EXPECT_STREQ(array.At(1, 1).data(), "second");
    EXPECT_EQ(array.At(2, 1), "");
    EXPECT_THROW(array.At(3000, 0), std::out_of_range);

    SheetArray moved = std::move(array);
    EXPECT_EQ(moved.At(1, 1), "second");
}
