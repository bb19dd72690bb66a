// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan/ResultRow.h"
#include "rows/GridRows.h"

#include <sys/sysmacros.h>

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

// A row keeps every fact and the exact bytes of its path and kept reason; its copies are
// independent; an empty row has no value at all.
TEST(ResultRow, KeepsItsFactsAndBytes) {
    RowFacts facts;
    facts.size = std::uint64_t(1) << 40;
    facts.accessed = {-99999999999, 1};
    facts.written = {99999999999, 999999999};
    facts.identity = {7, 3, 0x1234567890ull, 42, 1500000000, 1600000000, 5, 6, 0};
    const std::string odd("n\xff\n\0e.x", 8);
    const std::string path = "/x/" + std::string(70000, 'd') + "/" + odd;
    TResultRow row(path, odd.size(), facts, "Kept: in use by 1 (init)");
    TResultRow copy = row;
    row = TResultRow();
    EXPECT_TRUE(row.Empty());
    EXPECT_EQ(row.Path(), "");
    EXPECT_FALSE(row.HasIdentity());
    EXPECT_EQ(copy.Path(), path);
    EXPECT_EQ(copy.Name(), odd);
    EXPECT_EQ(copy.KeptReason(), "Kept: in use by 1 (init)");
    EXPECT_EQ(copy.Size(), facts.size);
    EXPECT_EQ(copy.Accessed(), facts.accessed);
    EXPECT_EQ(copy.Written(), facts.written);
    EXPECT_EQ(copy.Created(), (FileTime{1600000000, 6})); // no birth time: the change time
    const FileIdentity id = copy.Identity();
    EXPECT_TRUE(copy.HasIdentity());
    EXPECT_EQ(id.root, 7u);
    EXPECT_EQ(id.prefixLength, 3u);
    EXPECT_EQ(id.device, 0x1234567890ull);
    EXPECT_EQ(id.inode, 42u);
    EXPECT_EQ(id.birth, 1500000000);
    EXPECT_EQ(id.changedNanoseconds, 6u);
    facts.identity.hasBirth = 1;
    facts.identity.root = NoScanRoot;
    const TResultRow born("/b", 1, facts);
    EXPECT_EQ(born.Created(), (FileTime{1500000000, 5}));
    EXPECT_FALSE(born.HasIdentity());
    TResultRow moved = std::move(copy);
    EXPECT_EQ(moved.Name(), odd);
}

// Rows keep a short form of the usual facts; each fact at either side of where that form ends
// comes back as it went in.
TEST(ResultRow, FactsAtTheEdgesOfTheShortFormComeBackWhole) {
    constexpr std::int64_t edge = std::int64_t(1) << 33;
    const FileTime times[] = {{0, 0},    {-edge, 999999999}, {edge - 1, 1},
                              {edge, 0}, {-edge - 1, 0},     {1700000000, 1073741824}};
    const std::uint64_t devices[] = {0, makedev(4095, (1u << 20) - 1), makedev(4096, 0),
                                     makedev(8, 1u << 20), ~std::uint64_t(0)};
    for (const FileTime& t : times)
        for (const std::uint64_t device : devices)
            for (const std::uint64_t size : {std::uint64_t(0), std::uint64_t(1)}) {
                RowFacts facts;
                facts.size = size;
                facts.accessed = t;
                facts.written = {t.seconds / 2, t.nanoseconds / 2};
                facts.identity = {
                    1, 2, device, ~std::uint64_t(0) - 1, t.seconds, -t.seconds / 3, t.nanoseconds,
                    7, 1};
                const TResultRow row("/d/n", 1, facts, "k");
                const FileIdentity id = row.Identity();
                SCOPED_TRACE(testing::Message() << t.seconds << "." << t.nanoseconds << " dev "
                                                << device << " size " << size);
                EXPECT_EQ(row.Size(), size);
                EXPECT_EQ(row.Accessed(), facts.accessed);
                EXPECT_EQ(row.Written(), facts.written);
                EXPECT_EQ(row.Created(), (FileTime{t.seconds, t.nanoseconds}));
                EXPECT_EQ(id.device, device);
                EXPECT_EQ(id.inode, facts.identity.inode);
                EXPECT_EQ((FileTime{id.changed, id.changedNanoseconds}),
                          (FileTime{-t.seconds / 3, 7}));
                EXPECT_EQ(id.prefixLength, 2u);
                EXPECT_EQ(row.Path(), "/d/n");
                EXPECT_EQ(row.KeptReason(), "k");
            }
}

TEST(ResultRow, GridReleasesRowsWithTheirNodes) {
    TVirtualStringTree grid;
    PrepareRowData(grid);
    PVirtualNode n = AddRow(grid, nullptr);
    RowOf(n) = TResultRow("/" + std::string(1000, 'x'), 1000, {});
    PrepareRowData(grid); // same size: rows stay
    EXPECT_EQ(grid.TotalCount(), 1u);
    EXPECT_EQ(RowOf(grid.GetFirst()).Name().size(), 1000u);
    grid.Clear(); // a leak here shows under the sanitizers
    EXPECT_EQ(grid.TotalCount(), 0u);
}
