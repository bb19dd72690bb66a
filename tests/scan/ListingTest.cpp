// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan/FolderHandles.h"
#include "scan/FolderReader.h"
#include "scan/ListedFolder.h"
#include "scan/ResultRow.h"
#include "scan/Scan.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <set>
#include <string>

using namespace nullsweep;
using nullsweep::test::TempTree;

namespace {

std::set<std::string> walkedPaths(const std::string& folder, unsigned threads) {
    std::set<std::string> paths;
    ScanOptions options;
    options.threads = threads;
    WalkFolder(folder, options, [&](TResultRow&& row) { paths.emplace(row.Path()); });
    return paths;
}

} // namespace

// Some file systems leave d_type unset: each entry's type then comes from its status, so
// folders are entered and links, FIFOs and full files are still passed over.
TEST(Listing, EntriesOfUnknownTypeAreLookedAtByTheirStatus) {
    TempTree t;
    t.File("root/top");
    t.File("root/a/b/c/deep");
    t.File("root/a/full", "data");
    t.File("outside/e");
    t.Link("root/a/link", "../../outside");
    t.Link("root/a/link-to-file", "../top");
    t.Fifo("root/a/fifo");
    const std::set<std::string> expected{t.Path("root/top"), t.Path("root/a/b/c/deep")};
    ASSERT_EQ(walkedPaths(t.Path("root"), 1), expected);
    struct TypesUnknown {
        TypesUnknown() { FolderReader::ReportTypesUnknown(true); }
        ~TypesUnknown() { FolderReader::ReportTypesUnknown(false); }
    } unknown;
    EXPECT_EQ(walkedPaths(t.Path("root"), 1), expected);
    EXPECT_EQ(walkedPaths(t.Path("root"), 4), expected);
}

// With room for a single held folder, a folder's descriptor is let go as soon as it is listed;
// one put in its place meanwhile is refused when the walk comes back for its sub-folder.
TEST(Listing, AFolderSwappedWhileItsDescriptorWasLetGoIsNotEntered) {
    TempTree t;
    t.File("a/b/listed");
    auto reader = std::make_unique<FolderReader>(AT_FDCWD, t.Root().c_str(), true);
    struct stat st {};
    ASSERT_EQ(::fstat(reader->Fd(), &st), 0);
    const auto root = std::make_shared<ListedFolder>();
    root->device = st.st_dev;
    root->inode = st.st_ino;
    ListingRules rules;
    rules.rootDevice = st.st_dev;
    ListingScratch scratch;
    ReadListing(*root, *reader, rules, scratch);
    FolderHandles handles(1);
    handles.Keep(root, std::move(reader), /*pinned=*/true);
    ASSERT_EQ(root->children.size(), 1u);
    const std::shared_ptr<ListedFolder> a = root->children[0];
    ListFolder(a, handles, rules, scratch);
    ASSERT_EQ(a->children.size(), 1u);
    const std::shared_ptr<ListedFolder> b = a->children[0];

    ASSERT_EQ(std::rename(t.Path("a").c_str(), t.Path("a.old").c_str()), 0);
    t.File("a/b/planted");
    ListFolder(b, handles, rules, scratch);
    EXPECT_EQ(b->openError, ESTALE);
    EXPECT_TRUE(b->entries.empty());

    // The same folder at the same place is opened again.
    ASSERT_EQ(std::rename(t.Path("a").c_str(), t.Path("a.new").c_str()), 0);
    ASSERT_EQ(std::rename(t.Path("a.old").c_str(), t.Path("a").c_str()), 0);
    const auto again = std::make_shared<ListedFolder>();
    again->parent = a.get();
    again->name = "b";
    ListFolder(again, handles, rules, scratch);
    EXPECT_EQ(again->openError, 0);
    EXPECT_EQ(again->entries.size(), 1u);
}
