// SPDX-License-Identifier: GPL-3.0-or-later
#include "rows/CellText.h"
#include "text/NumberText.h"

#include <gtest/gtest.h>

using namespace nullsweep;

namespace {

std::string sizeCell(const std::string& size, const TTextLocale& locale) {
    TResultRow row;
    row.SetField(TField::FileSize, size);
    return FormatCell(int(TField::FileSize), row, locale);
}

} // namespace

TEST(CellText, SizeUnitsWithPointAndComma) {
    const TTextLocale c(QLocale::c());
    const std::pair<const char*, const char*> table[] = {
        {"0", "0.00 B"},
        {"1023", "1,023.00 B"},
        {"1024", "1.00 KB"},
        {"1152", "1.13 KB"}, // exactly 1.125: a half goes away from zero
        {"1536", "1.50 KB"},
        {"1048575", "1,024.00 KB"},
        {"1048576", "1.00 MB"},
        {"1179648", "1.13 MB"},
        {"123456789", "117.74 MB"},
        {"1073741824", "1.00 GB"},
        {"5368709120", "5.00 GB"},
        {"1e15", "931,322.57 GB"},
        {"-5", "-5.00 B"},
        {"-0.125", "-0.13 B"},
        {"-0.001", "0.00 B"},
        {"0.625", "0.63 B"},
        {" 2048 ", "2.00 KB"},
        {"", ""},
        {"12abc", ""},
        {"1,024", ""},
        {"1e999", ""},
    };
    for (const auto& [slot, cell] : table)
        EXPECT_EQ(sizeCell(slot, c), cell) << slot;
}

TEST(CellText, SizeUnitsInALocaleWithDecimalComma) {
    const TTextLocale de(QLocale("de_DE"));
    EXPECT_EQ(sizeCell("1023", de), "1.023,00 B");
    EXPECT_EQ(sizeCell("1152", de), "1,13 KB");
    EXPECT_EQ(sizeCell("1048575", de), "1.024,00 KB");
    EXPECT_EQ(sizeCell("123456789", de), "117,74 MB");
    EXPECT_EQ(sizeCell("1,5", de), "1,50 B");
    EXPECT_EQ(sizeCell("1.5", de), "");   // "." groups in German: not a number text
    EXPECT_EQ(sizeCell("1.024", de), ""); // group separators are never accepted
}

TEST(CellText, PercentageAndOtherFields) {
    const TTextLocale c(QLocale::c());
    TResultRow row;
    row.SetField(TField::SizePercentage, "45");
    row.SetField(TField::FileName, " Name.TXT ");
    row.SetField(TField::WriteTime, "3/4/2021 3:06:07 PM");
    row.SetField(TField::FileNameLength, "1e3");
    EXPECT_EQ(FormatCell(int(TField::SizePercentage), row, c), "45%");
    EXPECT_EQ(FormatCell(int(TField::FileName), row, c), " Name.TXT ");
    EXPECT_EQ(FormatCell(int(TField::WriteTime), row, c), "3/4/2021 3:06:07 PM");
    EXPECT_EQ(FormatCell(int(TField::FileNameLength), row, c), "1e3");
    EXPECT_EQ(FormatCell(int(TField::Description), row, c), "");
    EXPECT_EQ(FormatCell(-1, row, c), "");
    EXPECT_EQ(FormatCell(FieldCount, row, c), "");
    TResultRow empty;
    EXPECT_EQ(FormatCell(int(TField::SizePercentage), empty, c), "");
    EXPECT_EQ(FormatCell(int(TField::FileSize), empty, c), "");
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
    EXPECT_TRUE(IsNumber("3.25", TTextLocale(QLocale::c())));
    EXPECT_FALSE(IsNumber("3.25", TTextLocale(QLocale("de_DE"))));
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
