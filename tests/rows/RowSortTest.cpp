// SPDX-License-Identifier: GPL-3.0-or-later
#include "rows/RowSort.h"
#include "RowsForTests.h"

#include <gtest/gtest.h>

#include <ctime>
#include <random>
#include <vector>

using namespace nullsweep;
using nullsweep::test::RowGrid;

namespace {

// Rows as they come from scans and from other sources: duplicates, empty texts, junk, texts
// a millisecond-free second apart, kinds with blanks around them.
class RowMaker {
  public:
    RowMaker(const TTextLocale& locale, unsigned seed) : locale_(locale), random_(seed) {}

    void Fill(RowGrid& grid, int count) {
        for (int i = 0; i < count; ++i) {
            PVirtualNode node = grid.Add(std::to_string(i), {});
            TResultRow::Texts texts{};
            std::vector<std::string> store(FieldCount);
            for (int f = 0; f < FieldCount; ++f) {
                store[f] = text(TField(f));
                texts[TResultRow::FirstFieldSlot + f] = store[f];
            }
            std::string id = std::to_string(i);
            texts[0] = id;
            RowOf(node).Assign(texts);
        }
    }

  private:
    template <std::size_t N> const char* pick(const char* const (&items)[N]) {
        return items[random_() % N];
    }

    std::string time() {
        switch (random_() % 8) {
        case 0:
            return "";
        case 1:
            return pick({"junk", "31/31/2021", "2/30/2021", " 3/4/2021", "3/4/21"});
        default: {
            // Few distinct days and seconds, so that equal times are common.
            std::tm t{};
            t.tm_year = 120 + int(random_() % 3);
            t.tm_mon = int(random_() % 2);
            t.tm_mday = 1 + int(random_() % 3);
            if (random_() % 4) {
                t.tm_hour = int(random_() % 24);
                t.tm_min = int(random_() % 2);
                t.tm_sec = int(random_() % 3);
            }
            return locale_.Times().Format(t);
        }
        }
    }

    std::string text(TField field) {
        switch (field) {
        case TField::FileType:
            return pick({"file", "file", "file", "file", "folder", " folder", "folder\t", "Folder",
                         "", "link"});
        case TField::FileSize:
        case TField::FileNameLength:
        case TField::PathNameLength:
        case TField::SizePercentage:
        case TField::FileCount:
            return pick({"0", "0", "1", "12", "12", " 12 ", "1e1", "-3", "2.5", "2,5", "abc", "",
                         "1,024", "99999999999", "7"});
        case TField::CreateTime:
        case TField::AccessTime:
        case TField::WriteTime:
            return time();
        case TField::FileName:
        case TField::FullPath:
        case TField::FileExt:
        case TField::Description:
        case TField::CatalogName:
        case TField::DOSName:
        case TField::CreateAgeRange:
        case TField::AccessAgeRange:
        case TField::WriteAgeRange:
        case TField::SizeRange:
            if (random_() % 40 == 0) return std::string("ab\0", random_() % 2 ? 3 : 2);
            return pick({"a",
                         "A",
                         "ab",
                         "AB",
                         "abc",
                         "b",
                         "_x",
                         "",
                         "\u00e9t\u00e9",
                         "\u00c9T\u00c9",
                         "Z",
                         "z1",
                         "readme.txt",
                         "README.TXT",
                         "document-1",
                         "DOCUMENT-2",
                         "documents",
                         "document",
                         "zz\xff",
                         "zz\x7f",
                         "sixteen-bytes-xx",
                         "SIXTEEN-BYTES-XX1",
                         "sixteen-bytes-x",
                         "a-very-long-file-name-1.txt",
                         "A-VERY-LONG-FILE-NAME-2.txt",
                         "a-very-long-file-name-1"});
        }
        return {};
    }

    const TTextLocale& locale_;
    std::mt19937 random_;
};

} // namespace

// The prepared keys must give exactly the order of CompareRows one pair at a time, for every
// field, both directions and a run of sorts that each start from the order the last one left.
TEST(RowSort, PreparedKeysGiveThePairwiseOrder) {
    for (const char* name : {"en_US", "de_DE"}) {
        const TTextLocale locale{QLocale(name)};
        RowGrid plain, keyed;
        RowMaker(locale, 11).Fill(plain, 3000);
        RowMaker(locale, 11).Fill(keyed, 3000);
        ASSERT_EQ(plain.Order(), keyed.Order());
        for (int field = 0; field < FieldCount; ++field) {
            for (TSortDirection direction : {sdAscending, sdDescending}) {
                plain.PlainSort(field, direction, locale);
                SortRows(keyed.tree, -1, field, direction, locale);
                ASSERT_EQ(plain.Order(), keyed.Order())
                    << name << ", field " << field << (direction ? " descending" : " ascending");
            }
        }
    }
}

// Keys belong to one parent's children at a time: nested rows sort under their own parent.
TEST(RowSort, ChildrenOfInitialisedRowsSortUnderTheirParent) {
    const TTextLocale locale{QLocale("en_US")};
    auto fill = [](RowGrid& g) {
        PVirtualNode p = g.Add("p", {{TField::FileSize, "2"}});
        g.Add("p3", {{TField::FileSize, "3"}}, p);
        g.Add("p1", {{TField::FileSize, "1"}}, p);
        g.Add("p2", {{TField::FileSize, "2"}}, p);
        g.Add("q", {{TField::FileSize, "1"}});
        PVirtualNode r = g.Add("r", {{TField::FileSize, "0"}});
        g.Add("r9", {{TField::FileSize, "9"}}, r);
        g.Add("r8", {{TField::FileSize, "8"}}, r);
        g.tree.InitNode(p);
        g.tree.InitNode(r);
    };
    RowGrid plain, keyed;
    fill(plain);
    fill(keyed);
    plain.PlainSort(int(TField::FileSize), sdAscending, locale);
    SortRows(keyed.tree, -1, int(TField::FileSize), sdAscending, locale);
    EXPECT_EQ(keyed.Order(), "r r8 r9 q p p1 p2 p3");
    EXPECT_EQ(plain.Order(), keyed.Order());
}

// The grid's own comparison is back in place after the sort, and the header column reaches
// SortTree (a column below -1 sorts nothing).
TEST(RowSort, RestoresTheComparisonAndPassesTheColumn) {
    const TTextLocale locale{QLocale("en_US")};
    RowGrid g;
    g.Add("b", {{TField::FileName, "b"}});
    g.Add("a", {{TField::FileName, "a"}});
    int calls = 0;
    g.tree.OnCompareNodes = [&](PVirtualNode, PVirtualNode, int, int& result) {
        ++calls;
        result = 0;
    };
    SortRows(g.tree, -2, int(TField::FileName), sdAscending, locale);
    EXPECT_EQ(g.Order(), "b a");
    SortRows(g.tree, 3, int(TField::FileName), sdAscending, locale);
    EXPECT_EQ(g.Order(), "a b");
    EXPECT_EQ(calls, 0);
    int result = 1;
    g.tree.OnCompareNodes(g.tree.GetFirst(), g.tree.GetLast(), 0, result);
    EXPECT_EQ(calls, 1);
}

// Rows deleted inside an update bracket leave holes until EndUpdate; the sort closes them first.
TEST(RowSort, SortsInsideAnUpdateBracketAfterDeletions) {
    const TTextLocale locale{QLocale("en_US")};
    RowGrid g;
    g.Add("c", {{TField::FileName, "c"}});
    PVirtualNode gone = g.Add("x", {{TField::FileName, "x"}});
    g.Add("a", {{TField::FileName, "a"}});
    g.Add("b", {{TField::FileName, "b"}});
    g.tree.BeginUpdate();
    g.tree.DeleteNode(gone);
    SortRows(g.tree, -1, int(TField::FileName), sdAscending, locale);
    g.tree.EndUpdate();
    EXPECT_EQ(g.Order(), "a b c");
}

// Texts that share long prefixes (a full path's folders) and differ in case, in a zero byte, in
// bytes above ASCII or only in length, around every 8-byte step past the shared part.
TEST(RowSort, TextsSharingLongPrefixesGiveThePairwiseOrder) {
    const TTextLocale locale{QLocale("en_US")};
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
            g.Add(std::to_string(i), {{TField::FullPath, makeText()},
                                      {TField::FileName, makeText().substr(11)},
                                      {TField::FileType, random() % 10 ? "file" : "folder"}});
    };
    RowGrid plain, keyed;
    fill(plain, 5);
    fill(keyed, 5);
    for (TField field : {TField::FullPath, TField::FileName}) {
        for (TSortDirection direction : {sdAscending, sdDescending}) {
            plain.PlainSort(int(field), direction, locale);
            SortRows(keyed.tree, -1, int(field), direction, locale);
            ASSERT_EQ(plain.Order(), keyed.Order())
                << "field " << int(field) << (direction ? " descending" : " ascending");
        }
    }
}
