// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan/Scan.h"
#include "rows/GridRows.h"
#include "scan/ExactDelete.h"
#include "scan/ResultRow.h"
#include "support/TempTree.h"

#include "scan/RowText.h"
#include "text/DateTimeText.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <set>
#include <string>
#include <vector>

using namespace nullsweep;
using nullsweep::test::RunWithoutRoot;
using nullsweep::test::TempTree;

namespace {

const DateTimeText& cTimes() {
    static const DateTimeText times{QLocale::c()};
    return times;
}

std::string field(const TResultRow& row, FieldId f) {
    static RowText texts(cTimes());
    return std::string(texts.Field(row, f));
}

struct Grid {
    TVirtualStringTree tree;
    void scan(const std::string& folder, unsigned threads = 0) {
        ScanOptions options;
        options.threads = threads;
        ScanFolder(tree, folder, options);
    }
    std::vector<std::string> paths() const {
        std::vector<std::string> out;
        for (const VirtualNode* n = tree.GetFirst(); n; n = tree.GetNext(n))
            out.emplace_back(RowOf(n).Path());
        return out;
    }
    std::set<std::string> pathSet() const {
        const auto p = paths();
        return {p.begin(), p.end()};
    }
};

} // namespace

TEST(Scan, ListsEmptyFilesDeepDownAsTopLevelCheckedRows) {
    TempTree t;
    t.File("a/b/c/empty.txt");
    t.File("a/b/full.txt", "data");
    t.File("a/.hidden");
    t.File("a/readonly.log");
    t.Chmod("a/readonly.log", 0444);
    Grid g;
    g.scan(t.Root());
    EXPECT_EQ(g.pathSet(), (std::set<std::string>{t.Path("a/b/c/empty.txt"), t.Path("a/.hidden"),
                                                  t.Path("a/readonly.log")}));
    for (PVirtualNode n = g.tree.GetFirst(); n; n = g.tree.GetNext(n)) {
        EXPECT_EQ(n->Parent, g.tree.RootNode());
        EXPECT_EQ(n->CheckState, csCheckedNormal);
    }
}

TEST(Scan, FillsExactlyTheScanFields) {
    TempTree t;
    t.File("dir/report.txt");
    t.SetTimes("dir/report.txt", 1610668800 + 3600 * 5 + 61); // 15 Jan 2021 05:01:01 UTC
    Grid g;
    g.scan(t.Root());
    ASSERT_EQ(g.tree.TotalCount(), 1u);
    const TResultRow& row = RowOf(g.tree.GetFirst());
    EXPECT_EQ(row.Name(), "report.txt");
    EXPECT_EQ(row.Path(), t.Path("dir/report.txt"));
    EXPECT_EQ(field(row, FieldId::FileSize), "0");
    EXPECT_EQ(field(row, FieldId::FileExt), "txt");
    EXPECT_EQ(field(row, FieldId::FileType), "file");
    EXPECT_EQ(field(row, FieldId::WriteTime), "15 Jan 2021 05:01:01");
    EXPECT_EQ(field(row, FieldId::AccessTime), "15 Jan 2021 05:01:01");
    EXPECT_FALSE(field(row, FieldId::CreateTime).empty());
    const std::set<int> filled{0, 1, 2, 3, 4, 10, 11, 12};
    for (int f = 0; f < FieldCount; ++f)
        EXPECT_EQ(!field(row, FieldId(f)).empty(), filled.count(f) == 1) << "field " << f;
    EXPECT_TRUE(row.HasIdentity());
}

TEST(Scan, MidnightWriteTimeShowsTheDateAlone) {
    TempTree t;
    t.File("m");
    t.SetTimes("m", 1610668800); // 15 Jan 2021 00:00:00 in UTC, the tests' zone
    Grid g;
    g.scan(t.Root());
    ASSERT_EQ(g.tree.TotalCount(), 1u);
    EXPECT_EQ(field(RowOf(g.tree.GetFirst()), FieldId::WriteTime), "15 Jan 2021");
}

// Rows keep date texts by day and the last text of each time: every time of a scan reads as the
// formatter gives it alone.
TEST(Scan, TimeTextsMatchTheFormatterAcrossDaysMonthsAndYears) {
    TempTree t;
    const long long day = 86400, base = 1610668800; // 15 Jan 2021 00:00:00
    std::vector<long long> stamps{base + 1,
                                  base + 3599,
                                  base + day + 1,
                                  base + 31 * day,
                                  base + 365 * day,
                                  base + 366 * day,
                                  base - 4096 * day,
                                  base - 11 * 372 * day + 7,
                                  base + 45 * day + 12 * 3600};
    // and files a second apart, many of them listed next to one another
    for (int i = 0; i < 120; ++i)
        stamps.push_back(base + 7 * day + i);
    for (std::size_t i = 0; i < stamps.size(); ++i) {
        t.File("f" + std::to_string(i));
        t.SetTimes("f" + std::to_string(i), stamps[i]);
    }
    Grid g;
    g.scan(t.Root(), 1);
    ASSERT_EQ(g.tree.TotalCount(), stamps.size());
    for (PVirtualNode n = g.tree.GetFirst(); n; n = g.tree.GetNext(n)) {
        const TResultRow& row = RowOf(n);
        const long long stamp = stamps[std::stoul(std::string(row.Name()).substr(1))];
        EXPECT_EQ(field(row, FieldId::WriteTime), FileTimeText(stamp, cTimes())) << stamp;
        EXPECT_EQ(field(row, FieldId::AccessTime), FileTimeText(stamp, cTimes())) << stamp;
    }
}

TEST(Scan, ExtensionsFollowTheLastDotAfterTheLastSlash) {
    EXPECT_EQ(FileExtOf("/data/report.txt"), "txt");
    EXPECT_EQ(FileExtOf("/data/archive.tar.gz"), "gz");
    EXPECT_EQ(FileExtOf("/data.old/readme"), "");
    EXPECT_EQ(FileExtOf("/data/notes."), "");
    EXPECT_EQ(FileExtOf("/data/.profile"), "profile");
    EXPECT_EQ(FileExtOf("C:name"), ""); // ":" is no delimiter here, and no dot

    TempTree t;
    t.File("a.b/c");
    t.File("a.b/notes.");
    t.File("a.b/.profile");
    Grid g;
    g.scan(t.Root());
    std::set<std::pair<std::string, std::string>> got;
    for (PVirtualNode n = g.tree.GetFirst(); n; n = g.tree.GetNext(n))
        got.emplace(RowOf(n).Name(), field(RowOf(n), FieldId::FileExt));
    EXPECT_EQ(got, (std::set<std::pair<std::string, std::string>>{
                       {"c", ""}, {"notes.", ""}, {".profile", "profile"}}));
}

TEST(Scan, RootWithOrWithoutTrailingSlashGivesNoDoubleSlash) {
    TempTree t;
    t.File("x/e");
    for (const std::string& root : {t.Root(), t.Root() + "/"}) {
        Grid g;
        g.scan(root);
        ASSERT_EQ(g.paths(), std::vector<std::string>{t.Path("x/e")});
    }
}

TEST(Scan, ScanningTwiceListsTwiceAndKeepsEarlierRows) {
    TempTree t;
    t.File("e1");
    t.File("full", "x");
    Grid g;
    g.scan(t.Root());
    g.scan(t.Root());
    EXPECT_EQ(g.paths(), (std::vector<std::string>{t.Path("e1"), t.Path("e1")}));
    TempTree none;
    none.File("full", "x");
    g.scan(none.Root());
    EXPECT_EQ(g.tree.TotalCount(), 2u);
}

TEST(Scan, WalksDepthFirstInListingOrder) {
    TempTree t;
    for (const char* f : {"a/1", "a/b/2", "a/b/c/3", "d/4", "5"})
        t.File(f);
    Grid g;
    g.scan(t.Root());
    // Whatever order the listing gives, a folder's rows come together, right where it is met.
    const auto paths = g.paths();
    ASSERT_EQ(paths.size(), 5u);
    auto pos = [&](const std::string& rel) {
        return std::find(paths.begin(), paths.end(), t.Path(rel)) - paths.begin();
    };
    const auto a1 = pos("a/1"), b2 = pos("a/b/2"), c3 = pos("a/b/c/3");
    const auto lo = std::min({a1, b2, c3}), hi = std::max({a1, b2, c3});
    EXPECT_EQ(hi - lo, 2) << "rows of a/ must be adjacent";
    EXPECT_EQ(std::abs(b2 - c3), 1) << "rows of a/b/ must be adjacent";
}

TEST(Scan, NeverListsLinksSpecialFilesOrFilesWithData) {
    TempTree t;
    t.File("empty");
    t.Link("link-to-empty", "empty");
    t.Link("dangling", "nowhere");
    t.Folder("loop");
    t.Link("loop/self", ".");
    t.Link("loop/up", "..");
    t.Fifo("fifo");
    t.Socket("sock");
    t.SparseFile("four-gib", 4LL << 30); // low 32 bits of its length are zero
    Grid g;
    g.scan(t.Root());
    EXPECT_EQ(g.paths(), std::vector<std::string>{t.Path("empty")});
}

TEST(Scan, UnreadableFolderIsSaidAndSkippedWhileItsSiblingsAreScanned) {
    TempTree t;
    t.File("locked/inside");
    t.File("open/seen");
    t.File("open/deeper/seen2");
    t.Chmod("locked", 0);
    for (unsigned threads : {1u, 8u}) {
        const std::string found = RunWithoutRoot([&] {
            Grid g;
            std::string out;
            ScanOptions options;
            options.threads = threads;
            options.onError = [&](const std::string& path, int error) {
                out += "cannot read " + path + ": " + std::strerror(error) + "\n";
            };
            ScanFolder(g.tree, t.Root(), options);
            for (const auto& p : g.pathSet())
                out += p + "\n";
            return out;
        });
        EXPECT_EQ(found, "cannot read " + t.Path("locked") + ": Permission denied\n" +
                             t.Path("open/deeper/seen2") + "\n" + t.Path("open/seen") + "\n")
            << threads << " threads";
    }
}

TEST(Scan, MissingFolderAddsNothingAndLeavesRowsAlone) {
    TempTree t;
    t.File("e");
    Grid g;
    g.scan(t.Root());
    g.scan(t.Path("not-there"));
    g.scan(t.Path("e")); // a file, not a folder
    g.scan("");
    EXPECT_EQ(g.tree.TotalCount(), 1u);
    EXPECT_EQ(g.tree.UpdateCount(), 0);
}

TEST(Scan, NamesAreListedByteForByte) {
    TempTree t;
    const std::vector<std::string> names{
        "with blanks  ",  "new\nline", std::string("bad\xff\xfe.bin"),
        "-leading-dash",  "--delete",  std::string(255, 'n'),
        "caf\xc3\xa9.txt"};
    for (const auto& n : names)
        t.File("d/" + n);
    Grid g;
    g.scan(t.Root());
    std::set<std::string> expected;
    for (const auto& n : names)
        expected.insert(t.Path("d/" + n));
    EXPECT_EQ(g.pathSet(), expected);
    for (PVirtualNode n = g.tree.GetFirst(); n; n = g.tree.GetNext(n))
        EXPECT_TRUE(RowOf(n).Path().ends_with(RowOf(n).Name()));
}

TEST(Scan, PseudoFileSystemsAreKnown) {
    EXPECT_TRUE(IsPseudoFileSystem(0x9fa0));      // proc
    EXPECT_TRUE(IsPseudoFileSystem(0x62656572));  // sysfs
    EXPECT_TRUE(IsPseudoFileSystem(0x42494e4d));  // binfmt_misc
    EXPECT_TRUE(IsPseudoFileSystem(0x6e736673));  // nsfs
    EXPECT_FALSE(IsPseudoFileSystem(0xEF53));     // ext4
    EXPECT_FALSE(IsPseudoFileSystem(0x01021994)); // tmpfs holds real files
    Grid g;
    g.scan("/proc/self");
    EXPECT_EQ(g.tree.TotalCount(), 0u);
}

namespace {

// The walk as plainly as it can be written: depth first, each folder in listing order.
void referenceWalk(const std::string& folder, std::vector<std::string>& out) {
    DIR* dir = ::opendir(folder.c_str());
    ASSERT_NE(dir, nullptr) << folder;
    while (const dirent* d = ::readdir(dir)) {
        const std::string name = d->d_name;
        if (name == "." || name == "..") continue;
        const std::string path = folder + "/" + name;
        struct stat st {};
        ASSERT_EQ(::lstat(path.c_str(), &st), 0) << path;
        if (S_ISDIR(st.st_mode))
            referenceWalk(path, out);
        else if (S_ISREG(st.st_mode) && st.st_size == 0)
            out.push_back(path);
    }
    ::closedir(dir);
}

std::vector<std::string> referenceWalk(const std::string& root) {
    std::vector<std::string> out;
    referenceWalk(root, out);
    return out;
}

} // namespace

// Folders around the sizes where the walk reads and stats its entries in pieces (a big
// folder's shared among threads), with empty files, files with data and a sub-folder scattered
// through them. Each row carries its own file's status.
TEST(Scan, FoldersOfEverySizeAreListedWholeInWalkOrder) {
    TempTree t;
    std::size_t empty = 0;
    for (int count : {0, 63, 64, 1023, 1024, 1025, 5000}) {
        const std::string number = std::to_string(count);
        const std::string folder = "n" + number;
        t.Folder(folder);
        for (int i = 0; i < count; ++i) {
            const std::string name = folder + "/f" + std::to_string(i);
            if (i == count / 2)
                t.File(name + "/inner");
            else
                t.File(name, i % 3 == 0 ? "" : "x");
            empty += i == count / 2 || i % 3 == 0;
        }
    }
    const auto expected = referenceWalk(t.Root());
    EXPECT_EQ(expected.size(), empty);
    for (unsigned threads : {1u, 8u}) {
        Grid g;
        g.scan(t.Root(), threads);
        EXPECT_EQ(g.paths(), expected) << threads << " threads";
        for (const VirtualNode* n = g.tree.GetFirst(); n; n = g.tree.GetNext(n)) {
            const std::string path(RowOf(n).Path());
            FileIdentity identity;
            struct stat st {};
            ASSERT_TRUE(GetFileIdentity(RowOf(n), identity) && ::lstat(path.c_str(), &st) == 0);
            ASSERT_EQ(identity.inode, st.st_ino) << path << ", " << threads << " threads";
        }
    }
}

TEST(Scan, ARandomTreeIsWalkedInTheReferenceOrder) {
    TempTree t;
    std::mt19937 random(11);
    std::vector<std::string> folders{""};
    for (int i = 0; i < 2000; ++i) {
        const std::string parent = folders[random() % folders.size()];
        const std::string folder = parent + "d" + std::to_string(i) + "/";
        t.Folder(folder);
        folders.push_back(folder);
        for (unsigned f = random() % 4; f > 0; --f)
            t.File(folder + "f" + std::to_string(f), random() % 2 ? "" : "x");
    }
    const auto expected = referenceWalk(t.Root());
    EXPECT_GT(expected.size(), 1000u);
    // Helpers list folders ahead of the walk in whatever order they finish; the rows must not
    // follow that order.
    for (unsigned threads : {1u, 2u, 8u}) {
        Grid g;
        g.scan(t.Root(), threads);
        EXPECT_EQ(g.paths(), expected) << threads << " threads";
    }
}
