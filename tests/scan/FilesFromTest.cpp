// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan/FilesFrom.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cstdio>
#include <string>
#include <vector>

using namespace nullsweep;
using nullsweep::test::TempTree;

namespace {

struct Listed {
    std::vector<std::string> rows;
    std::uint64_t folders = 0;
};

Listed scanList(const std::string& list) {
    std::FILE* in = ::fmemopen(const_cast<char*>(list.data()), list.size(), "r");
    Listed listed;
    ScanOptions options;
    options.threads = 4;
    options.onProgress = [&](const ScanProgress& p) { listed.folders = p.folders; };
    EXPECT_EQ(ScanFileList(in, false, options,
                           [&](TResultRow&& row) { listed.rows.emplace_back(row.Path()); }),
              0);
    std::fclose(in);
    return listed;
}

} // namespace

// More folders than stay open at once, lines of each spread over the whole list, one folder
// with more lines than one thread checks in a row: each folder is opened once all the same,
// and the rows keep the list's order.
TEST(FilesFrom, EachFolderIsOpenedOnceWhateverTheOrderOfTheLines) {
    TempTree t;
    constexpr int Folders = 70;
    for (int k = 0; k < Folders; ++k) {
        t.File("d" + std::to_string(k) + "/e");
        t.File("d" + std::to_string(k) + "/f", "x");
    }
    std::string grouped, shuffled;
    std::vector<std::string> groupedRows, shuffledRows;
    for (int k = 0; k < Folders; ++k)
        for (int r = 0; r < 12; ++r) {
            const std::string path = t.Path("d" + std::to_string(k) + (r == k % 12 ? "/e" : "/f"));
            grouped += path + "\n";
            if (r == k % 12) groupedRows.push_back(path);
        }
    for (int r = 0; r < 12; ++r)
        for (int k = 0; k < Folders; ++k) {
            const std::string path = t.Path("d" + std::to_string(k) + (r == k % 12 ? "/e" : "/f"));
            shuffled += path + "\n";
            if (r == k % 12) shuffledRows.push_back(path);
            for (int more = 0; k == 0 && more < 50; ++more)
                shuffled += t.Path("d0/f") + "\n";
        }

    rlimit before{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &before), 0);
    rlimit low = before;
    low.rlim_cur = 40; // a few folders open at a time
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
    const Listed fromGrouped = scanList(grouped);
    const Listed fromShuffled = scanList(shuffled);
    ::setrlimit(RLIMIT_NOFILE, &before);

    EXPECT_EQ(fromGrouped.rows, groupedRows);
    EXPECT_EQ(fromShuffled.rows, shuffledRows);
    EXPECT_EQ(fromGrouped.folders, unsigned(Folders));
    EXPECT_EQ(fromShuffled.folders, unsigned(Folders));
}
