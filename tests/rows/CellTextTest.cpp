// SPDX-License-Identifier: GPL-3.0-or-later
#include "rows/CellText.h"
#include "support/TestRows.h"
#include "support/TimeFields.h"
#include "text/NumberText.h"

#include <gtest/gtest.h>

using namespace nullsweep;

TEST(CellText, SizeUnitsWithPointAndComma) {
    const TextLocale c(QLocale::c());
    const std::pair<double, const char*> table[] = {
        {0, "0.00 B"},           {1023, "1,023.00 B"},     {1024, "1.00 KB"},
        {1152, "1.13 KB"}, // exactly 1.125: a half goes away from zero
        {1536, "1.50 KB"},       {1048575, "1,024.00 KB"}, {1048576, "1.00 MB"},
        {1179648, "1.13 MB"},    {123456789, "117.74 MB"}, {1073741824, "1.00 GB"},
        {5368709120, "5.00 GB"}, {1e15, "931,322.57 GB"},  {-5, "-5.00 B"},
        {-0.125, "-0.13 B"},     {-0.001, "0.00 B"},       {0.625, "0.63 B"},
    };
    for (const auto& [bytes, cell] : table)
        EXPECT_EQ(SizeCellText(bytes, c), cell) << bytes;
    const TextLocale de(QLocale("de_DE"));
    EXPECT_EQ(SizeCellText(1023, de), "1.023,00 B");
    EXPECT_EQ(SizeCellText(1152, de), "1,13 KB");
    EXPECT_EQ(SizeCellText(123456789, de), "117,74 MB");
}

// A row's cells: the size in units, the times in the locale's texts, the name as it is, the
// fields rows never fill empty; an empty row and a field out of range show nothing.
TEST(CellText, CellsOfARow) {
    const TextLocale c(QLocale::c());
    RowText texts(c.Times());
    const TResultRow row = test::FileRow(" Name.TXT ", test::FileFacts(1152, 0, 0, 1614870367));
    EXPECT_EQ(FormatCell(int(FieldId::FileSize), row, texts, c), "1.13 KB");
    EXPECT_EQ(FormatCell(int(FieldId::FileName), row, texts, c), " Name.TXT ");
    EXPECT_EQ(FormatCell(int(FieldId::WriteTime), row, texts, c),
              c.Times().Format(test::TimeFields(2021, 3, 4, 15, 6, 7)));
    EXPECT_EQ(FormatCell(int(FieldId::CreateTime), row, texts, c),
              c.Times().Format(test::TimeFields(1970, 1, 1, 0, 0, 0)));
    for (FieldId empty : {FieldId::SizePercentage, FieldId::Description, FieldId::FileNameLength})
        EXPECT_EQ(FormatCell(int(empty), row, texts, c), "");
    EXPECT_EQ(FormatCell(-1, row, texts, c), "");
    EXPECT_EQ(FormatCell(FieldCount, row, texts, c), "");
    for (int field = 0; field < FieldCount; ++field)
        EXPECT_EQ(FormatCell(field, TResultRow(), texts, c), "") << field;
}

TEST(NumberText, Grammar) {
    const std::pair<const char*, double> numbers[] = {
        {"0", 0},      {"  +12  ", 12}, {"-3.5", -3.5}, {"1.", 1},  {".5", 0.5},
        {"2e3", 2000}, {"2E+3", 2000},  {"25e-1", 2.5}, {"007", 7}, {"1.5e1 ", 15},
    };
    for (const auto& [text, value] : numbers) {
        const auto v = NumberTextValue(text, ".");
        ASSERT_TRUE(v.has_value()) << text;
        EXPECT_DOUBLE_EQ(*v, value) << text;
    }
    for (const char* text : {"", " ", "+", "-", ".", "1.2.3", "1,000", "1e", "1e+", "e3", "0x10",
                             "inf", "nan", "+-1", "- 1", "1 2", "\t1", "1\n", "１"})
        EXPECT_FALSE(NumberTextValue(text, ".").has_value()) << text;
    EXPECT_EQ(NumberTextValue("1,5", ","), 1.5);
    EXPECT_FALSE(NumberTextValue("1.5", ",").has_value());
    // A separator of several bytes (Arabic) is matched whole.
    EXPECT_EQ(NumberTextValue("1\u066b25", "\u066b"), 1.25);
    EXPECT_TRUE(IsNumber("3.25", TextLocale(QLocale::c())));
    EXPECT_FALSE(IsNumber("3.25", TextLocale(QLocale("de_DE"))));
}

TEST(NumberText, FixedTwoDecimalsRoundsHalvesAwayFromZero) {
    EXPECT_EQ(FixedTwoDecimals(0.125, ".", ","), "0.13");
    EXPECT_EQ(FixedTwoDecimals(-0.375, ".", ","), "-0.38");
    EXPECT_EQ(FixedTwoDecimals(2.675, ".", ","), "2.67"); // just below the half in binary
    EXPECT_EQ(FixedTwoDecimals(999.995, ".", ","), "1,000.00");
    EXPECT_EQ(FixedTwoDecimals(9999999.999, ".", ","), "10,000,000.00");
    EXPECT_EQ(FixedTwoDecimals(1234567.891, ",", "\u00a0"), "1\u00a0234\u00a0567,89");
    EXPECT_EQ(FixedTwoDecimals(1e-300, ".", ","), "0.00");
    EXPECT_EQ(FixedTwoDecimals(1.0 / 0.0, ".", ","), "");
}
