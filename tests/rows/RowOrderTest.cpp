// SPDX-License-Identifier: GPL-3.0-or-later
#include "rows/RowOrder.h"
#include "RowsForTests.h"
#include "rows/RowSort.h"

#include <gtest/gtest.h>

#include <ctime>
#include <functional>

using namespace nullsweep;
using nullsweep::test::RowGrid;

namespace {

const TTextLocale& us() {
    static const TTextLocale locale(QLocale("en_US"));
    return locale;
}

// Every order is checked through both ways of sorting: pair by pair, and with prepared keys.
void expectOrder(const std::function<void(RowGrid&)>& fill, TField field, TSortDirection direction,
                 const std::string& expected, const TTextLocale& locale = us()) {
    RowGrid plain, keyed;
    fill(plain);
    fill(keyed);
    plain.PlainSort(int(field), direction, locale);
    SortRows(keyed.tree, -1, int(field), direction, locale);
    EXPECT_EQ(plain.Order(), expected) << "pair by pair";
    EXPECT_EQ(keyed.Order(), expected) << "prepared keys";
}

} // namespace

TEST(RowOrder, EqualNumbersKeepOrderAscendingAndReverseDescending) {
    auto fill = [](RowGrid& g) {
        g.Add("a", {{TField::FileSize, "5"}});
        g.Add("b", {{TField::FileSize, " 5 "}});
        g.Add("c", {{TField::FileSize, "5.0"}});
        g.Add("d", {{TField::FileSize, "0.5e1"}});
        g.Add("e", {{TField::FileSize, "4"}});
    };
    expectOrder(fill, TField::FileSize, sdAscending, "e a b c d");
    expectOrder(fill, TField::FileSize, sdDescending, "d c b a e");
}

TEST(RowOrder, TextsThatAreNoNumbersSortAsZero) {
    auto fill = [](RowGrid& g) {
        g.Add("three", {{TField::FileCount, "3"}});
        g.Add("junk", {{TField::FileCount, "abc"}});
        g.Add("empty", {{TField::FileCount, ""}});
        g.Add("minus", {{TField::FileCount, "-1"}});
        g.Add("zero", {{TField::FileCount, "0"}});
        g.Add("grouped", {{TField::FileCount, "1,000"}});
    };
    expectOrder(fill, TField::FileCount, sdAscending, "minus junk empty zero grouped three");
    expectOrder(fill, TField::FileCount, sdDescending, "three grouped zero empty junk minus");
}

TEST(RowOrder, NumbersFollowTheLocalesDecimalSeparator) {
    const TTextLocale de(QLocale("de_DE"));
    auto fill = [](RowGrid& g) {
        g.Add("two", {{TField::SizePercentage, "2"}});
        g.Add("one-and-half", {{TField::SizePercentage, "1,5"}});
        g.Add("point", {{TField::SizePercentage, "1.5"}}); // no number in German: 0
    };
    expectOrder(fill, TField::SizePercentage, sdAscending, "point one-and-half two", de);
    expectOrder(fill, TField::SizePercentage, sdAscending, "one-and-half point two");
}

TEST(RowOrder, KindFieldReversesAscendingAndKeepsDescendingWithFoldersFirst) {
    auto fill = [](RowGrid& g) {
        g.Add("f1", {{TField::FileType, "file"}});
        g.Add("f2", {{TField::FileType, "file"}});
        g.Add("d1", {{TField::FileType, "folder"}});
        g.Add("f3", {{TField::FileType, "file"}});
        g.Add("d2", {{TField::FileType, " folder\t"}});
    };
    expectOrder(fill, TField::FileType, sdAscending, "d2 d1 f3 f2 f1");
    expectOrder(fill, TField::FileType, sdDescending, "d1 d2 f1 f2 f3");
}

TEST(RowOrder, FoldersComeFirstInBothDirections) {
    auto fill = [](RowGrid& g) {
        g.Add("a", {{TField::FileName, "a"}, {TField::FileType, "file"}});
        g.Add("z-folder", {{TField::FileName, "z"}, {TField::FileType, "folder"}});
        g.Add("m", {{TField::FileName, "m"}, {TField::FileType, "file"}});
        g.Add("b-folder", {{TField::FileName, "b"}, {TField::FileType, "folder "}});
    };
    expectOrder(fill, TField::FileName, sdAscending, "b-folder z-folder a m");
    expectOrder(fill, TField::FileName, sdDescending, "z-folder b-folder m a");
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
        g.Add("lower", {{TField::FileName, "\u00e9t\u00e9"}});
        g.Add("upper", {{TField::FileName, "\u00c9T\u00c9"}});
        g.Add("abc", {{TField::FileName, "abc"}});
        g.Add("ABC", {{TField::FileName, "ABC"}});
        g.Add("ab", {{TField::FileName, "ab"}});
    };
    expectOrder(fill, TField::FileName, sdAscending, "ab abc ABC upper lower");
    expectOrder(fill, TField::FileName, sdDescending, "lower upper abc ABC ab");
}

TEST(RowOrder, DateTexts) {
    // American texts as this Qt release writes them (newer locale data puts U+202F before PM).
    const auto usText = [](int hour, int minute, int second) {
        std::tm t{};
        t.tm_year = 2021 - 1900;
        t.tm_mon = 2;
        t.tm_mday = 4;
        t.tm_hour = hour;
        t.tm_min = minute;
        t.tm_sec = second;
        return us().Times().Format(t);
    };
    const std::string t1 = usText(15, 6, 7), t2 = usText(15, 6, 8);
    EXPECT_EQ(CompareDateText(t1, t2, us()), -1);
    EXPECT_EQ(CompareDateText(t2, t1, us()), 1);
    EXPECT_EQ(CompareDateText(t1, t1, us()), 0);
    EXPECT_EQ(CompareDateText("3/4/2021", usText(0, 0, 1), us()), -1);
    EXPECT_EQ(CompareDateText("", "", us()), -1);
    EXPECT_EQ(CompareDateText("", "junk", us()), -1);
    EXPECT_EQ(CompareDateText("junk", "", us()), 1);
    EXPECT_EQ(CompareDateText("junk", t1, us()), 1);
    EXPECT_EQ(CompareDateText(t1, "junk", us()), 1);
    EXPECT_EQ(CompareDateText("2/30/2021", t1, us()), 1);
    // German texts mean nothing in an American locale and the other way round.
    const TTextLocale de(QLocale("de_DE"));
    EXPECT_EQ(CompareDateText("04.03.2021 15:06:07", "04.03.2021 15:06:08", de), -1);
    EXPECT_EQ(CompareDateText("04.03.2021 15:06:08", "04.03.2021 15:06:07", de), 1);
    EXPECT_EQ(CompareDateText("04.03.2021 15:06:08", t1, de), 1);
    EXPECT_EQ(CompareDateText(t2, t1, de), 1);
    EXPECT_EQ(CompareDateText(t1, t2, de), 1);

    auto fill = [&](RowGrid& g) {
        g.Add("junk", {{TField::WriteTime, "yesterday"}});
        g.Add("t2", {{TField::WriteTime, t2}});
        g.Add("empty", {{TField::WriteTime, ""}});
        g.Add("t1", {{TField::WriteTime, t1}});
        g.Add("midnight", {{TField::WriteTime, "3/4/2021"}});
    };
    expectOrder(fill, TField::WriteTime, sdAscending, "empty midnight t1 t2 junk");
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
    for (TField f : {TField::FileSize, TField::FileNameLength, TField::PathNameLength,
                     TField::SizePercentage, TField::FileCount})
        EXPECT_EQ(SortRuleOf(f), TSortRule::Number);
    for (TField f : {TField::CreateTime, TField::AccessTime, TField::WriteTime})
        EXPECT_EQ(SortRuleOf(f), TSortRule::Date);
    EXPECT_EQ(SortRuleOf(TField::FileType), TSortRule::Kind);
    int texts = 0;
    for (int i = 0; i < FieldCount; ++i)
        texts += SortRuleOf(TField(i)) == TSortRule::Text;
    EXPECT_EQ(texts, 10);
    // A size text is compared as a number, an extension as text.
    TResultRow nine, ten;
    for (TField f : {TField::FileSize, TField::FileExt}) {
        nine.SetField(f, "9");
        ten.SetField(f, "10");
    }
    EXPECT_LT(CompareRows(nine, ten, sdAscending, int(TField::FileSize), us()), 0);
    EXPECT_GT(CompareRows(nine, ten, sdAscending, int(TField::FileExt), us()), 0);
    EXPECT_GT(CompareRows(nine, ten, sdAscending, int(TField::FileType), us()), 0);
    EXPECT_GT(CompareRows(ten, nine, sdAscending, int(TField::FileType), us()), 0);
}
