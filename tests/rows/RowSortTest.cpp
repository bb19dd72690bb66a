// SPDX-License-Identifier: GPL-3.0-or-later
#include "rows/RowSort.h"
#include "RowsForTests.h"
#include "scan/RowText.h"
#include "text/TextLocale.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <random>
#include <vector>

using namespace nullsweep;
using nullsweep::test::RowGrid;

namespace {

// The order as it is meant: the texts of the two rows' fields as a person reads them
// (numbers and date-time texts in the locale, other texts with a-z folded), one pair at a time.
int compareTexts(const TResultRow& r1, const TResultRow& r2, SortOrder direction, int field,
                 const TextLocale& locale, RowText& one, RowText& two) {
    const std::string_view kind1 = one.Field(r1, FieldId::FileType);
    const std::string_view kind2 = two.Field(r2, FieldId::FileType);
    if (kind1 != kind2) return direction == sdAscending ? 1 : -1;
    const std::string_view a = one.Field(r1, field), b = two.Field(r2, field);
    switch (SortRuleOf(FieldId(field))) {
    case SortRule::Number:
        return locale.NumberValue(a).value_or(0) > locale.NumberValue(b).value_or(0) ? 1 : -1;
    case SortRule::Date: {
        if (a.empty()) return -1;
        if (b.empty()) return 1;
        const auto x = locale.DateValue(a), y = locale.DateValue(b);
        return x && y ? CompareTimes(*x, *y) : 1;
    }
    case SortRule::Kind:
        return 1;
    case SortRule::Text:
        return CompareText(a, b);
    }
    return 1;
}

// Rows as scans make them, and empty rows: equal sizes and times are common, times fall in
// the hour a clock goes back, sizes are too large for a double to hold exactly.
void fill(RowGrid& grid, unsigned seed, int count) {
    std::mt19937 random(seed);
    auto pick = [&](std::initializer_list<const char*> items) {
        return std::string(items.begin()[random() % items.size()]);
    };
    auto time = [&]() -> std::int64_t {
        // Around 2025-11-02 04:30 UTC, when Newfoundland's clocks went back from 01:30 to
        // 00:30; some at local midnight, which the texts show without a time.
        if (random() % 5 == 0) return 1762050600 + std::int64_t(random() % 3) * 86400;
        return 1762054200 + std::int64_t(random() % 8000) - 4000;
    };
    for (int i = 0; i < count; ++i) {
        if (random() % 50 == 0) {
            grid.Add(std::to_string(i));
            continue;
        }
        const std::string path =
            "/" + pick({"a/", "A/", "home/user/", ""}) +
            pick({"readme.txt", "README.TXT", "doc-1", "DOC-2", "\u00e9t\u00e9", "\u00c9T\u00c9",
                  "zz\xff", "zz\x7f", "a.", ".b", "x.tar.gz"});
        const std::uint64_t sizes[] = {
            0, 1, 1023, 9007199254740992, 9007199254740993, 9007199254740994};
        const std::uint64_t size = sizes[random() % std::size(sizes)];
        grid.Add(std::to_string(i),
                 test::FileRow(path, test::FileFacts(size, time(), time(), time())));
    }
}

} // namespace

// The prepared keys and the pair-by-pair comparison of facts must give exactly the order of the
// texts, for every field, both directions and a run of sorts that each start from the order the
// last one left.
TEST(RowSort, NumbersAndTimesGiveTheOrderOfTheTexts) {
    const std::string zone = std::getenv("TZ") ? std::getenv("TZ") : "";
    ::setenv("TZ", "America/St_Johns", 1);
    ::tzset();
    for (const char* name : {"en_US", "de_DE"}) {
        const TextLocale locale{QLocale(name)};
        RowText one(locale.Times()), two(locale.Times());
        RowGrid texts, plain, keyed;
        fill(texts, 11, 3000);
        fill(plain, 11, 3000);
        fill(keyed, 11, 3000);
        for (int field = 0; field < FieldCount; ++field) {
            for (SortOrder direction : {sdAscending, sdDescending}) {
                texts.PlainSort(direction, [&](const TResultRow& a, const TResultRow& b) {
                    return compareTexts(a, b, direction, field, locale, one, two);
                });
                plain.PlainSort(field, direction);
                SortRows(keyed.tree, -1, field, direction);
                ASSERT_EQ(texts.Order(), plain.Order())
                    << name << ", field " << field << (direction ? " descending" : " ascending");
                ASSERT_EQ(texts.Order(), keyed.Order())
                    << name << ", field " << field << (direction ? " descending" : " ascending");
            }
        }
    }
    ::setenv("TZ", zone.c_str(), 1);
    ::tzset();
}

// Keys belong to one parent's children at a time: nested rows sort under their own parent.
TEST(RowSort, ChildrenOfInitialisedRowsSortUnderTheirParent) {
    auto fill = [](RowGrid& g) {
        PVirtualNode p = g.Add("p", test::FileRow("/f", test::FileFacts(2)));
        g.Add("p3", test::FileRow("/f", test::FileFacts(3)), p);
        g.Add("p1", test::FileRow("/f", test::FileFacts(1)), p);
        g.Add("p2", test::FileRow("/f", test::FileFacts(2)), p);
        g.Add("q", test::FileRow("/f", test::FileFacts(1)));
        PVirtualNode r = g.Add("r", test::FileRow("/f", test::FileFacts(0)));
        g.Add("r9", test::FileRow("/f", test::FileFacts(9)), r);
        g.Add("r8", test::FileRow("/f", test::FileFacts(8)), r);
        g.tree.InitNode(p);
        g.tree.InitNode(r);
    };
    RowGrid plain, keyed;
    fill(plain);
    fill(keyed);
    plain.PlainSort(int(FieldId::FileSize), sdAscending);
    SortRows(keyed.tree, -1, int(FieldId::FileSize), sdAscending);
    EXPECT_EQ(keyed.Order(), "r r8 r9 q p p1 p2 p3");
    EXPECT_EQ(plain.Order(), keyed.Order());
}

// The grid's own comparison is back in place after the sort, and the header column reaches
// SortTree (a column below -1 sorts nothing).
TEST(RowSort, RestoresTheComparisonAndPassesTheColumn) {
    RowGrid g;
    g.Add("b", test::FileRow("/b"));
    g.Add("a", test::FileRow("/a"));
    int calls = 0;
    g.tree.OnCompareNodes = [&](PVirtualNode, PVirtualNode, int, int& result) {
        ++calls;
        result = 0;
    };
    SortRows(g.tree, -2, int(FieldId::FileName), sdAscending);
    EXPECT_EQ(g.Order(), "b a");
    SortRows(g.tree, 3, int(FieldId::FileName), sdAscending);
    EXPECT_EQ(g.Order(), "a b");
    EXPECT_EQ(calls, 0);
    int result = 1;
    g.tree.OnCompareNodes(g.tree.GetFirst(), g.tree.GetLast(), 0, result);
    EXPECT_EQ(calls, 1);
}

// Rows deleted inside an update bracket leave holes until EndUpdate; the sort closes them first.
TEST(RowSort, SortsInsideAnUpdateBracketAfterDeletions) {
    RowGrid g;
    g.Add("c", test::FileRow("/c"));
    PVirtualNode gone = g.Add("x", test::FileRow("/x"));
    g.Add("a", test::FileRow("/a"));
    g.Add("b", test::FileRow("/b"));
    g.tree.BeginUpdate();
    g.tree.DeleteNode(gone);
    SortRows(g.tree, -1, int(FieldId::FileName), sdAscending);
    g.tree.EndUpdate();
    EXPECT_EQ(g.Order(), "a b c");
}

// Texts that share long prefixes (a full path's folders) and differ in case, in a zero byte, in
// bytes above ASCII or only in length, around every 8-byte step past the shared part.
TEST(RowSort, TextsSharingLongPrefixesGiveThePairwiseOrder) {
    std::mt19937 random(17);
    // Folders of a few long names that differ near their ends, nested a few deep.
    const std::string folders[] = {"a-very-long-folder-name/",
                                   "A-VERY-LONG-FOLDER-NAME/",
                                   "a-very-long-folder-name-2/",
                                   "a-very-long-folder-nam/",
                                   std::string("a-very-long-folder-name\0/", 25),
                                   "s/"};
    const std::string tails[] = {"", "a", "A", "b", "/", std::string(1, '\0'), "\xff", "z"};
    auto makeText = [&] {
        std::string text = "/home/user/";
        for (int depth = int(random() % 5); depth > 0; --depth)
            text += folders[random() % std::size(folders)];
        for (int tail = int(random() % 8); tail > 0; --tail)
            text += tails[random() % std::size(tails)];
        return text;
    };
    auto fill = [&](RowGrid& g, unsigned seed) {
        random.seed(seed);
        for (int i = 0; i < 2000; ++i)
            g.Add(std::to_string(i), test::FileRow(makeText()));
    };
    RowGrid plain, keyed;
    fill(plain, 5);
    fill(keyed, 5);
    for (FieldId field : {FieldId::FullPath, FieldId::FileName}) {
        for (SortOrder direction : {sdAscending, sdDescending}) {
            plain.PlainSort(int(field), direction);
            SortRows(keyed.tree, -1, int(field), direction);
            ASSERT_EQ(plain.Order(), keyed.Order())
                << "field " << int(field) << (direction ? " descending" : " ascending");
        }
    }
}
