// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan/ExactDelete.h"
#include "ScanThenAct.h"
#include "scan/Scan.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

using namespace nullsweep;
using nullsweep::test::TempTree;

namespace {

bool exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

std::map<std::string, DeleteOutcome> scanAndDelete(const std::string& folder,
                                                   const std::function<void()>& between) {
    return nullsweep::test::ScanThenAct(folder, between, DeleteListedFile);
}

} // namespace

TEST(ExactDelete, AFolderSwappedForALinkLeadsNowhere) {
    TempTree t;
    t.File("root/a/lock");
    t.File("root/a/b/lock");
    t.File("root/c/lock");
    t.File("root/stays/lock");
    t.File("outside/lock");
    t.File("outside/b/lock");
    const auto outcomes = scanAndDelete(t.Path("root"), [&] {
        ASSERT_EQ(::rename(t.Path("root/a").c_str(), t.Path("root/a.moved").c_str()), 0);
        t.Link("root/a", "../outside");
        // A link that stays inside the folder is no better: root/later was never listed.
        ASSERT_EQ(::rename(t.Path("root/c").c_str(), t.Path("root/c.moved").c_str()), 0);
        t.File("root/later/lock");
        t.Link("root/c", "later");
    });
    EXPECT_EQ(outcomes.at(t.Path("root/c/lock")), DeleteOutcome::Changed);
    EXPECT_TRUE(exists(t.Path("root/later/lock")));
    EXPECT_EQ(outcomes.at(t.Path("root/a/lock")), DeleteOutcome::Changed);
    EXPECT_EQ(outcomes.at(t.Path("root/a/b/lock")), DeleteOutcome::Changed);
    EXPECT_EQ(outcomes.at(t.Path("root/stays/lock")), DeleteOutcome::Deleted);
    EXPECT_TRUE(exists(t.Path("outside/lock")));
    EXPECT_TRUE(exists(t.Path("outside/b/lock")));
    EXPECT_TRUE(exists(t.Path("root/a.moved/lock")));
    EXPECT_FALSE(exists(t.Path("root/stays/lock")));
}

TEST(ExactDelete, ARootGivenAsALinkIsFollowedOnceOnly) {
    TempTree t;
    t.File("first/lock");
    t.File("second/lock");
    t.Link("root", "first");
    const auto outcomes = scanAndDelete(t.Path("root"), [&] {
        ASSERT_EQ(::unlink(t.Path("root").c_str()), 0);
        t.Link("root", "second");
    });
    EXPECT_EQ(outcomes.at(t.Path("root/lock")), DeleteOutcome::Deleted);
    EXPECT_FALSE(exists(t.Path("first/lock")));
    EXPECT_TRUE(exists(t.Path("second/lock")));
}

TEST(ExactDelete, AFileReplacedByAnotherEmptyFileStays) {
    TempTree t;
    t.File("root/replaced");
    t.File("root/grown");
    t.File("root/gone");
    const auto outcomes = scanAndDelete(t.Path("root"), [&] {
        // Made before the old one goes, so the new file cannot reuse its inode number.
        t.File("root/replaced.new");
        ASSERT_EQ(::rename(t.Path("root/replaced.new").c_str(), t.Path("root/replaced").c_str()),
                  0);
        t.File("root/grown", "data");
        ASSERT_EQ(::unlink(t.Path("root/gone").c_str()), 0);
    });
    EXPECT_EQ(outcomes.at(t.Path("root/replaced")), DeleteOutcome::Changed);
    EXPECT_EQ(outcomes.at(t.Path("root/grown")), DeleteOutcome::Changed);
    EXPECT_EQ(outcomes.at(t.Path("root/gone")), DeleteOutcome::Vanished);
    EXPECT_TRUE(exists(t.Path("root/replaced")));
    EXPECT_TRUE(exists(t.Path("root/grown")));
}

TEST(ExactDelete, APathLongerThanPathMaxIsDeleted) {
    TempTree t;
    t.Folder("root");
    // 30 folders of 200 bytes: a 6,000-byte path, made and removed relative to descriptors.
    const std::string component(200, 'd');
    std::vector<int> fds{::open(t.Path("root").c_str(), O_DIRECTORY | O_CLOEXEC)};
    for (int i = 0; i < 30; ++i) {
        ASSERT_EQ(::mkdirat(fds.back(), component.c_str(), 0755), 0);
        fds.push_back(::openat(fds.back(), component.c_str(), O_DIRECTORY | O_CLOEXEC));
        ASSERT_GE(fds.back(), 0);
    }
    const int file = ::openat(fds.back(), "deep", O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
    ASSERT_GE(file, 0);
    ::close(file);
    const auto outcomes = scanAndDelete(t.Path("root"), [] {});
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_GT(outcomes.begin()->first.size(), 6000u);
    EXPECT_EQ(outcomes.begin()->second, DeleteOutcome::Deleted);
    struct stat st {};
    EXPECT_NE(::fstatat(fds.back(), "deep", &st, AT_SYMLINK_NOFOLLOW), 0);
    for (std::size_t i = fds.size() - 1; i > 0; --i) {
        ::close(fds[i]);
        ::unlinkat(fds[i - 1], component.c_str(), AT_REMOVEDIR);
    }
    ::close(fds[0]);
}

// openat2 takes at most PATH_MAX bytes: a longer path goes in pieces, one of exactly PATH_MAX
// bytes too.
TEST(ExactDelete, FoldersAtAndBeyondPathMaxAreOpened) {
    TempTree t;
    const std::string component(240, 'd'); // 17 of them and their 16 "/" make PATH_MAX
    const int root = ::open(t.Root().c_str(), O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(root, 0);
    std::vector<int> fds{root};
    std::string relative;
    for (int level = 1; level <= 18; ++level) {
        ASSERT_EQ(::mkdirat(fds.back(), component.c_str(), 0755), 0);
        fds.push_back(::openat(fds.back(), component.c_str(), O_DIRECTORY | O_CLOEXEC));
        ASSERT_GE(fds.back(), 0);
        relative += (relative.empty() ? "" : "/") + component;
        if (level < 17) continue;
        SCOPED_TRACE(relative.size());
        struct stat want {
        }, got{};
        ASSERT_EQ(::fstat(fds.back(), &want), 0);
        const int fd = OpenFolderBeneath(root, relative);
        ASSERT_GE(fd, 0) << std::strerror(errno);
        EXPECT_EQ(::fstat(fd, &got), 0);
        EXPECT_EQ(got.st_ino, want.st_ino);
        ::close(fd);
    }
    EXPECT_EQ(relative.size(), std::size_t(PATH_MAX) + 241);
    for (std::size_t i = fds.size() - 1; i > 0; --i) {
        ::close(fds[i]);
        ::unlinkat(fds[i - 1], component.c_str(), AT_REMOVEDIR);
    }
    ::close(root);
}

// The walk that stands in where openat2 is refused refuses the same things.
TEST(ExactDelete, BothWaysOfOpeningAFolderRefuseLinks) {
    TempTree t;
    t.Folder("root/a/b");
    t.Folder("outside/b");
    t.Link("root/link", "../outside");
    t.Link("root/inner", "a");
    const int root = ::open(t.Path("root").c_str(), O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(root, 0);
    for (const bool useOpenat2 : {true, false}) {
        SCOPED_TRACE(useOpenat2 ? "openat2" : "walk");
        const int fd = OpenFolderBeneath(root, "a/b", useOpenat2);
        EXPECT_GE(fd, 0);
        if (fd >= 0) ::close(fd);
        for (const char* bad : {"link/b", "link", "inner/b", "a/../../outside", "a/b/../.."}) {
            errno = 0;
            const int refused = OpenFolderBeneath(root, bad, useOpenat2);
            EXPECT_LT(refused, 0) << bad;
            EXPECT_TRUE(errno == ELOOP || errno == ENOTDIR || errno == EXDEV) << bad;
            if (refused >= 0) ::close(refused);
        }
    }
    ::close(root);
}
