// SPDX-License-Identifier: GPL-3.0-or-later
#include "rows/GridRows.h"
#include "scan/ResultRow.h"
#include "scan/Scan.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

using namespace nullsweep;
using nullsweep::test::RunInChild;
using nullsweep::test::TempTree;

namespace {

// A chain of `levels` folders named "d" below `root`, made through descriptors so that its
// paths may pass PATH_MAX. Each level may hold an empty file "e" and side folders with an empty
// file each, so that the walk must come back to a folder after a deep descent. Removed with
// the object, level by level from the top, since no path reaches the bottom.
class Chain {
  public:
    Chain(const std::string& root, int levels, bool fileEach, bool sideEach) : root_(root) {
        int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY);
        for (int i = 0; i < levels; ++i) {
            ::mkdirat(fd, "d", 0755);
            const int next = ::openat(fd, "d", O_RDONLY | O_DIRECTORY);
            ::close(fd);
            fd = next;
            if (fileEach || i + 1 == levels) ::close(::openat(fd, "e", O_CREAT | O_WRONLY, 0644));
            // Names that differ by level, so that they are listed both before and after "d".
            for (const std::string& side : sideNames(i)) {
                if (!sideEach) break;
                ::mkdirat(fd, side.c_str(), 0755);
                ::close(::openat(fd, (side + "/e").c_str(), O_CREAT | O_WRONLY, 0644));
            }
        }
        ::close(fd);
    }
    ~Chain() {
        const int rootFd = ::open(root_.c_str(), O_RDONLY | O_DIRECTORY);
        for (int level = 0;; ++level) {
            const int fd = ::openat(rootFd, "d", O_RDONLY | O_DIRECTORY);
            if (fd < 0) break;
            ::unlinkat(fd, "e", 0);
            for (const std::string& side : sideNames(level)) {
                ::unlinkat(fd, (side + "/e").c_str(), 0);
                ::unlinkat(fd, side.c_str(), AT_REMOVEDIR);
            }
            const bool deeper = ::renameat(fd, "d", rootFd, "next") == 0;
            ::close(fd);
            ::unlinkat(rootFd, "d", AT_REMOVEDIR);
            if (!deeper || ::renameat(rootFd, "next", rootFd, "d") != 0) break;
        }
        ::close(rootFd);
    }

  private:
    static std::vector<std::string> sideNames(int level) {
        char number[8];
        std::snprintf(number, sizeof number, "%03d", level % 1000);
        return {std::string("a") + number, std::string("s") + number, std::string("z") + number};
    }
    std::string root_;
};

// Scans `root` in a child process limited to `openFiles` descriptors; returns the number of
// rows, the longest path's length and what was reported, as text, and with `listPaths` every
// path in name order, one a line.
std::string scanLimited(const std::string& root, rlim_t openFiles, unsigned threads,
                        bool listPaths = false) {
    return RunInChild([&] {
        const rlimit limit{openFiles, openFiles};
        if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) return std::string("setrlimit failed");
        TVirtualStringTree tree;
        std::string errors;
        ScanOptions options;
        options.threads = threads;
        options.onError = [&](const std::string& path, int error) {
            errors.append(" ").append(path, 0, 60).append(": ").append(std::strerror(error));
        };
        ScanFolder(tree, root, options);
        std::size_t longest = 0;
        std::set<std::string> paths;
        for (PVirtualNode n = tree.GetFirst(); n; n = tree.GetNext(n)) {
            longest = std::max(longest, RowOf(n).Path().size());
            if (listPaths) paths.emplace(RowOf(n).Path());
        }
        std::string text =
            std::to_string(tree.TotalCount()) + " " + std::to_string(longest) + errors;
        for (const std::string& path : paths)
            text += "\n" + path;
        return text;
    });
}

} // namespace

// Folders beside the chain are reached again through ".." from below or by name from above:
// either way the rows are those of a walk by paths.
TEST(ScanDepth, EveryLevelIsFoundUnderALowDescriptorLimit) {
    TempTree t;
    Chain chain(t.Root(), 200, /*fileEach=*/true, /*sideEach=*/true);
    std::set<std::string> reference;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(t.Root()))
        if (entry.is_regular_file()) reference.insert(entry.path().string());
    std::string expected = "800 " + std::to_string(t.Root().size() + 2 * 200 + 7); // ".../z199/e"
    for (const std::string& path : reference)
        expected += "\n" + path;
    for (unsigned threads : {1u, 8u})
        EXPECT_EQ(scanLimited(t.Root(), 64, threads, true), expected) << threads << " threads";
}

TEST(ScanDepth, ATwelveThousandLevelTreeIsScannedWithoutRecursion) {
    TempTree t;
    Chain chain(t.Root(), 12000, /*fileEach=*/false, /*sideEach=*/false);
    for (unsigned threads : {1u, 8u})
        EXPECT_EQ(scanLimited(t.Root(), 1024, threads),
                  "1 " + std::to_string(t.Root().size() + 2 * 12000 + 2))
            << threads << " threads";
}

// As root in a private mount namespace: a /proc file bind-mounted onto an empty file of the
// tree, and a proc mounted on a folder below it, hold data though their length is 0. A tmpfs
// below the root is entered unless the scan keeps to one file system.
TEST(ScanPseudo, PseudoFilesMountedBelowTheRootAreNotListed) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root for a private mount namespace";
    TempTree t;
    t.File("plain");
    t.File("bound");
    t.Folder("procfs");
    t.Folder("tmpfs");
    const std::string got = RunInChild([&]() -> std::string {
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("/proc/version", t.Path("bound").c_str(), nullptr, MS_BIND, nullptr) != 0 ||
            ::mount("proc", t.Path("procfs").c_str(), "proc", 0, nullptr) != 0 ||
            ::mount("tmpfs", t.Path("tmpfs").c_str(), "tmpfs", 0, nullptr) != 0)
            return "skip";
        ::close(::open(t.Path("tmpfs/e").c_str(), O_CREAT | O_WRONLY, 0644));
        TVirtualStringTree tree;
        ScanOptions options;
        ScanFolder(tree, t.Root(), options);
        std::set<std::string> paths; // in name order
        for (PVirtualNode n = tree.GetFirst(); n; n = tree.GetNext(n))
            paths.emplace(RowOf(n).Path());
        std::string out;
        for (const std::string& path : paths)
            out += path + "\n";
        options.oneFileSystem = true;
        ScanFolder(tree, t.Root(), options);
        return std::to_string(tree.TotalCount()) + " " + out;
    });
    if (got == "skip") GTEST_SKIP() << "no private mount namespace here";
    EXPECT_EQ(got, "3 " + t.Path("plain") + "\n" + t.Path("tmpfs/e") + "\n");
}
