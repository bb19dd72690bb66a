// SPDX-License-Identifier: GPL-3.0-or-later
#include "rows/RowOrder.h"
#include "RowsForTests.h"
#include "rows/RowSort.h"

#include <gtest/gtest.h>

#include <functional>

using namespace nullsweep;
using nullsweep::test::FileFacts;
using nullsweep::test::FileRow;
using nullsweep::test::RowGrid;

namespace {

// Every order is checked through both ways of sorting: pair by pair, and with prepared keys.
void expectOrder(const std::function<void(RowGrid&)>& fill, FieldId field, SortOrder direction,
                 const std::string& expected) {
    RowGrid plain, keyed;
    fill(plain);
    fill(keyed);
    plain.PlainSort(int(field), direction);
    SortRows(keyed.tree, -1, int(field), direction);
    EXPECT_EQ(plain.Order(), expected) << "pair by pair";
    EXPECT_EQ(keyed.Order(), expected) << "prepared keys";
}

TResultRow sized(std::uint64_t size) {
    return FileRow("/d/f", FileFacts(size));
}

TResultRow written(std::int64_t seconds) {
    return FileRow("/d/f", FileFacts(0, 0, 0, seconds));
}

} // namespace

// Equal numbers give -1 both ways; the fields rows leave empty all read as 0.
TEST(RowOrder, EqualNumbersKeepOrderAscendingAndReverseDescending) {
    auto fill = [](RowGrid& g) {
        g.Add("a", sized(5));
        g.Add("b", sized(5));
        g.Add("c", sized(5));
        g.Add("big", sized(std::uint64_t(1) << 60));
        g.Add("e", sized(4));
    };
    expectOrder(fill, FieldId::FileSize, sdAscending, "e a b c big");
    expectOrder(fill, FieldId::FileSize, sdDescending, "big c b a e");
    expectOrder(fill, FieldId::FileCount, sdAscending, "a b c big e");
    expectOrder(fill, FieldId::FileCount, sdDescending, "e big c b a");
}

// Every row is a file, an empty row a kind of its own; neither is a folder.
TEST(RowOrder, KindFieldReversesAscendingAndKeepsDescending) {
    auto fill = [](RowGrid& g) {
        g.Add("f1", sized(1));
        g.Add("f2", sized(2));
        g.Add("none");
        g.Add("f3", sized(3));
    };
    expectOrder(fill, FieldId::FileType, sdAscending, "f3 none f2 f1");
    expectOrder(fill, FieldId::FileType, sdDescending, "f1 f2 f3 none");
}

TEST(RowOrder, TextFoldsOnlyAsciiLetters) {
    EXPECT_EQ(CompareText("readme.TXT", "README.txt"), 0);
    EXPECT_LT(CompareText("ab", "abc"), 0);
    EXPECT_GT(CompareText("abc", "ab"), 0);
    EXPECT_LT(CompareText("a", "_"), 0); // 'a' compares as 'A' (65) below '_' (95)
    EXPECT_LT(CompareText("Z", "["), 0);
    EXPECT_LT(CompareText("z", "["), 0);
    // UTF-8 letters compare by their bytes: É is C3 89, é is C3 A9.
    EXPECT_LT(CompareText("\u00c9", "\u00e9"), 0);
    EXPECT_GT(CompareText("\xff", "a"), 0); // bytes are unsigned
    auto fill = [](RowGrid& g) {
        g.Add("lower", FileRow("/z/\u00e9t\u00e9"));
        g.Add("upper", FileRow("/y/\u00c9T\u00c9"));
        g.Add("abc", FileRow("/x/abc"));
        g.Add("ABC", FileRow("/w/ABC"));
        g.Add("ab", FileRow("/v/ab"));
    };
    expectOrder(fill, FieldId::FileName, sdAscending, "ab abc ABC upper lower");
    expectOrder(fill, FieldId::FileName, sdDescending, "lower upper abc ABC ab");
    expectOrder(fill, FieldId::FullPath, sdAscending, "ab ABC abc upper lower");
}

// Times order as their texts read (a second apart, equal, midnight without a time part); times
// the texts cannot show (before the year 1, beyond 9999) by their real value, although their
// texts show the nearest time they can.
TEST(RowOrder, Times) {
    auto fill = [](RowGrid& g) {
        g.Add("t2", written(1614870368));
        g.Add("beyond", written(253402300800));
        g.Add("t1", written(1614870367));
        g.Add("t1-again", written(1614870367));
        g.Add("year-5138", written(99999999999));
        g.Add("last-shown", written(253402300799));
        g.Add("midnight", written(1614816000));
        g.Add("before", written(-99999999999));
    };
    expectOrder(fill, FieldId::WriteTime, sdAscending,
                "before midnight t1 t1-again t2 year-5138 last-shown beyond");
    expectOrder(fill, FieldId::WriteTime, sdDescending,
                "beyond last-shown year-5138 t2 t1 t1-again midnight before");
    expectOrder(fill, FieldId::CreateTime, sdAscending,
                "t2 beyond t1 t1-again year-5138 last-shown midnight before");
}

TEST(RowOrder, TimesWithinAMillisecondAreEqual) {
    const double ms = 1.0 / 86400000.0;
    const double t = 44259.5; // a day and a half
    EXPECT_EQ(CompareTimes(t, t), 0);
    EXPECT_EQ(CompareTimes(t, t + 0.9 * ms), 0);
    EXPECT_EQ(CompareTimes(t + 0.9 * ms, t), 0);
    EXPECT_EQ(CompareTimes(t, t + 1.1 * ms), -1);
    EXPECT_EQ(CompareTimes(t + 1.1 * ms, t), 1);
    EXPECT_EQ(CompareTimes(-1.0, 1.0), -1);
}

TEST(RowOrder, RulesPerField) {
    for (FieldId f : {FieldId::FileSize, FieldId::FileNameLength, FieldId::PathNameLength,
                      FieldId::SizePercentage, FieldId::FileCount})
        EXPECT_EQ(SortRuleOf(f), SortRule::Number);
    for (FieldId f : {FieldId::CreateTime, FieldId::AccessTime, FieldId::WriteTime})
        EXPECT_EQ(SortRuleOf(f), SortRule::Date);
    EXPECT_EQ(SortRuleOf(FieldId::FileType), SortRule::Kind);
    int texts = 0;
    for (int i = 0; i < FieldCount; ++i)
        texts += SortRuleOf(FieldId(i)) == SortRule::Text;
    EXPECT_EQ(texts, 10);
    // A size is compared as a number, an extension as text.
    const TResultRow nine = FileRow("/d/f.9", FileFacts(9)),
                     ten = FileRow("/d/f.10", FileFacts(10));
    EXPECT_LT(CompareRows(nine, ten, sdAscending, int(FieldId::FileSize)), 0);
    EXPECT_GT(CompareRows(nine, ten, sdAscending, int(FieldId::FileExt)), 0);
    EXPECT_GT(CompareRows(nine, ten, sdAscending, int(FieldId::FileType)), 0);
    EXPECT_GT(CompareRows(ten, nine, sdAscending, int(FieldId::FileType)), 0);
}
