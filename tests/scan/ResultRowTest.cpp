// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan/ResultRow.h"
#include "rows/GridRows.h"

#include <gtest/gtest.h>

using namespace nullsweep;

TEST(FieldIndexOf, TrimsComparesCaseSensitivelyAndFallsBackToFileName) {
    EXPECT_EQ(FieldIndexOf("File Name"), 0);
    EXPECT_EQ(FieldIndexOf("         File Name"), 0);
    EXPECT_EQ(FieldIndexOf(" Write Time "), 12);
    EXPECT_EQ(FieldIndexOf("\tSizeRange\r\n"), 18);
    EXPECT_EQ(FieldIndexOf("write time"), 0);
    EXPECT_EQ(FieldIndexOf(""), 0);
    EXPECT_EQ(FieldIndexOf("   "), 0);
    EXPECT_EQ(FieldIndexOf("File  Size"), 0); // inner blanks count
    for (int i = 0; i < FieldCount; ++i)
        EXPECT_EQ(FieldIndexOf(FieldNames[i]), i);
}

TEST(ResultRow, SlotsStartEmptyAndKeepWhatIsWritten) {
    TResultRow row;
    for (int s = 0; s < TResultRow::SlotCount; ++s)
        EXPECT_TRUE(row.Slot(s).empty());
    row.SetField(TField::FullPath, "/a/b/name.txt");
    row.SetField(TField::FileName, "name.txt");
    row.SetField(TField::FileExt, "txt");
    row.SetSlot(0, "reserved");
    EXPECT_EQ(row.Field(TField::FullPath), "/a/b/name.txt");
    EXPECT_EQ(row.Field(TField::FileName), "name.txt");
    EXPECT_EQ(row.Field(TField::FileExt), "txt");
    EXPECT_EQ(row.Slot(0), "reserved");
    EXPECT_EQ(row.Slot(9), "/a/b/name.txt");

    // Changing the text another slot ends in must not change that slot.
    row.SetField(TField::FullPath, "/elsewhere/x");
    EXPECT_EQ(row.Field(TField::FileName), "name.txt");
    EXPECT_EQ(row.Field(TField::FileExt), "txt");
    row.SetField(TField::FileName, "");
    EXPECT_TRUE(row.Field(TField::FileName).empty());
    EXPECT_THROW(row.Slot(27), std::out_of_range);
}

TEST(ResultRow, CopiesAreIndependentAndBytesSurvive) {
    TResultRow row;
    const std::string odd("bad\xff\xfe\n\0name", 12);
    row.SetField(TField::FullPath, "/x/" + odd);
    row.SetField(TField::FileName, odd);
    row.SetField(TField::Description, std::string(300, 'd'));
    TResultRow copy = row;
    row.SetField(TField::FileName, "changed");
    EXPECT_EQ(copy.Field(TField::FileName), odd);
    EXPECT_EQ(copy.Field(TField::FullPath), "/x/" + odd);
    EXPECT_EQ(copy.Field(TField::Description), std::string(300, 'd'));
    TResultRow moved = std::move(copy);
    EXPECT_EQ(moved.Field(TField::FileName), odd);
}

TEST(ResultRow, GridReleasesRowsWithTheirNodes) {
    TVirtualStringTree grid;
    PrepareRowData(grid);
    PVirtualNode n = AddRow(grid, nullptr);
    RowOf(n).SetField(TField::FileName, std::string(1000, 'x'));
    PrepareRowData(grid); // same size: rows stay
    EXPECT_EQ(grid.TotalCount(), 1u);
    EXPECT_EQ(RowOf(grid.GetFirst()).Field(TField::FileName).size(), 1000u);
    grid.Clear(); // a leak here shows under the sanitizers
    EXPECT_EQ(grid.TotalCount(), 0u);
}
