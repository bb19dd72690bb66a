// SPDX-License-Identifier: GPL-3.0-or-later
// What `nullsweep scan` does when the machine runs short (memory, threads) and with its
// options that shape the walk itself (-j, -0 with a file list).
#include "ScanRun.h"
#include "cli/ScanCommand.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace nullsweep;
using namespace nullsweep::test;

namespace {

bool underAddressSanitizer() {
#if defined(__SANITIZE_ADDRESS__)
    return true; // it reserves far more address space than any limit below allows
#else
    return false;
#endif
}

// The address space this process maps now, in bytes.
rlim_t mappedNow() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        rlim_t kib = 0;
        if (key == "VmSize:" && status >> kib) return kib * 1024;
    }
    return 0;
}

// Runs `nullsweep scan ARGS` in a child whose address space may grow by `spare` bytes only:
// no room for a helper thread's stack, nor for a big listing.
std::string scanShortOfMemory(const std::vector<std::string>& args, rlim_t spare) {
    return RunInChild([&] {
        RunScan({"-q", "/nonexistent"}); // the configuration is loaded before the limit
        const rlim_t cap = mappedNow() + spare;
        const rlimit limit{cap, cap};
        if (::setrlimit(RLIMIT_AS, &limit) != 0) return std::string("setrlimit failed");
        const ScanRun r = RunScan(args);
        return std::to_string(r.status) + "\n" + r.out + r.err;
    });
}

std::size_t entriesOf(const std::string& folder) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder))
        ++n;
    return n;
}

} // namespace

TEST(ScanLimits, AThreadThatCannotStartMeansFewerThreadsAndAStoppedWalkDeletesNothing) {
    if (underAddressSanitizer()) GTEST_SKIP() << "address space limits do not suit the sanitizer";
    TempTree t;
    for (const char* name : {"small/a/e1", "small/b/e2", "small/c/e3"})
        t.File(name);
    const std::string pad(150, 'n');
    t.Folder("wrap/big"); // listed by a helper or the walk, not as the root
    for (int i = 0; i < 40000; ++i)
        ::close(::open(t.Path("wrap/big/" + pad + std::to_string(i)).c_str(), O_CREAT | O_WRONLY,
                       0644));

    // A listing that outgrows the memory stops the walk: one line, status 1, and nothing is
    // deleted, not even what was listed before.
    const std::string listed =
        t.Path("small/a/e1") + "\n" + t.Path("small/b/e2") + "\n" + t.Path("small/c/e3") + "\n";
    const std::string stopped =
        scanShortOfMemory({"-q", "-j", "1", "--delete", t.Path("small"), t.Path("wrap")}, 4 << 20);
    EXPECT_EQ(stopped, "1\n" + listed + "nullsweep scan: the walk of " + t.Path("wrap") +
                           " stopped early: Cannot allocate memory; nothing deleted\n");
    EXPECT_EQ(entriesOf(t.Path("wrap/big")), 40000u);
    EXPECT_TRUE(std::filesystem::exists(t.Path("small/a/e1")));

    // No helper thread can start: the calling thread lists every folder itself.
    EXPECT_EQ(
        scanShortOfMemory({"-q", "-j", "8", "--delete", "--no-journal", t.Path("small")}, 4 << 20),
        "0\n" + listed + "nullsweep scan: deleted 3 files; 0 kept; 0 changed; 0 failed\n");
}

TEST(ScanLimits, AListThatCannotBeReadToItsEndDeletesNothing) {
    if (underAddressSanitizer()) GTEST_SKIP() << "address space limits do not suit the sanitizer";
    TempTree t;
    t.File("e");
    // One listed path, then a "line" of zeros far longer than the memory allowed.
    t.File("list", t.Path("e") + "\n");
    ASSERT_EQ(::truncate(t.Path("list").c_str(), 1ll << 30), 0);
    const std::string r =
        scanShortOfMemory({"-q", "--delete", "--files-from", t.Path("list")}, 64 << 20);
    EXPECT_EQ(r, "1\n" + t.Path("e") + "\nnullsweep: cannot read " + t.Path("list") +
                     ": Cannot allocate memory; nothing deleted\n");
    EXPECT_TRUE(std::filesystem::exists(t.Path("e")));

    t.Folder("folder");
    const ScanRun folder = RunScan({"-q", "--delete", "--files-from", t.Path("folder")});
    EXPECT_EQ(folder.status, 1);
    EXPECT_EQ(folder.err,
              "nullsweep: cannot read " + t.Path("folder") + ": Is a directory; nothing deleted\n");
}

// -0 makes the list NUL-ended wherever it stands; a line that holds a NUL is refused, never
// cut short to a path it does not name.
TEST(ScanLimits, NulEndedListsWhereverMinusZeroStandsAndNoPathWithANul) {
    TempTree t;
    t.File("d/sub/z");
    t.File("d/e");
    const std::string nulList = t.Path("d/sub") + '\0' + t.Path("d/e") + '\0';
    t.File("list0", nulList);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"-q", "--files-from", t.Path("list0"), "-0"},
          std::vector<std::string>{"-q", "--files-from", t.Path("list0"), "-f", "csv", "-0"}}) {
        const ScanRun r = RunScan(args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.out.find(t.Path("d/e")), std::string::npos) << r.out;
        EXPECT_EQ(r.out.find(t.Path("d/sub") + (args.size() == 4 ? '\0' : '\n')), std::string::npos)
            << r.out;
    }
    const ScanRun lines = RunScan({"-q", "-s", "none", "--files-from", t.Path("list0")});
    EXPECT_EQ(lines.status, 1);
    EXPECT_EQ(lines.out, "");
    EXPECT_EQ(lines.err, "nullsweep: cannot read " + t.Path("d/sub") + "\\0" + t.Path("d/e") +
                             "\\0: Invalid argument\n");
}

// -j reaches the walk: the progress line on a terminal counts the threads that list folders.
TEST(ScanLimits, TheThreadsOptionSetsHowManyThreadsListFolders) {
    TempTree t;
    for (const char* name : {"a/e", "b/e", "c/e"})
        t.File(name);
    for (const std::string j : {"1", "3"}) {
        const int terminal = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        ASSERT_GE(terminal, 0);
        ASSERT_EQ(::grantpt(terminal) | ::unlockpt(terminal), 0);
        std::FILE* err = std::fopen(::ptsname(terminal), "w");
        ASSERT_NE(err, nullptr);
        std::FILE* out = std::tmpfile();
        std::vector<std::string> args{"scan", "-j", j, t.Root()};
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        EXPECT_EQ(RunScanCommand(int(argv.size()), argv.data(), out, err), 0);
        std::fclose(err);
        std::fclose(out);
        std::string shown;
        char buffer[4096];
        ssize_t n;
        while ((n = ::read(terminal, buffer, sizeof buffer)) > 0)
            shown.append(buffer, std::size_t(n));
        ::close(terminal);
        const std::string want = j == "1" ? ", 1 thread" : ", 3 threads";
        EXPECT_NE(shown.find("3 empty files" + want), std::string::npos) << shown;
    }
}
