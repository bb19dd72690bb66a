// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/ScanCommand.h"
#include "ScanRun.h"
#include "cli/PathStream.h"
#include "config/ConfigStore.h"
#include "config/DefaultConfig.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using namespace nullsweep;
using nullsweep::test::TempTree;
using namespace nullsweep::test;

namespace {

// The configuration "beside the program" lives in a temporary folder, never beside the test binary.
class ConfigFolder : public ::testing::Environment {
  public:
    void SetUp() override {
        tree.emplace();
        UseConfigFolder(tree->Root());
    }
    void TearDown() override {
        UseConfigFolder("");
        tree.reset();
    }
    std::optional<TempTree> tree;
};

ConfigFolder* const configFolder =
    static_cast<ConfigFolder*>(::testing::AddGlobalTestEnvironment(new ConfigFolder));

std::multiset<std::string> split(const std::string& text, char end) {
    std::multiset<std::string> items;
    std::string item;
    for (char c : text) {
        if (c == end) {
            items.insert(item);
            item.clear();
        } else {
            item += c;
        }
    }
    EXPECT_TRUE(item.empty()) << "last item not terminated";
    return items;
}

} // namespace

TEST(ScanCommand, ListsFullPathsOfEveryFolderInTurn) {
    TempTree a, b;
    a.File("x/one");
    a.File("x/full", "1");
    b.File("two");
    const ScanRun r = RunScan({"-q", "-s", "none", a.Root(), b.Root() + "/", a.Root()});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, a.Path("x/one") + "\n" + b.Path("two") + "\n" + a.Path("x/one") + "\n");
}

TEST(ScanCommand, NulTerminatedPathsKeepNewlines) {
    TempTree t;
    t.File("new\nline");
    t.File("plain");
    const ScanRun r = RunScan({"--quiet", "-0", "--sort", "none", t.Root()});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(split(r.out, '\0'),
              (std::multiset<std::string>{t.Path("new\nline"), t.Path("plain")}));
}

TEST(ScanCommand, MissingFolderOrFileIsNamedAndTheOthersStillScanned) {
    TempTree t;
    t.File("e");
    t.File("data", "x");
    const ScanRun r = RunScan({"-q", t.Path("missing"), t.Path("data"), t.Root()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, t.Path("e") + "\n");
    EXPECT_NE(r.err.find(t.Path("missing") + ": No such file or directory"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find(t.Path("data") + ": not a folder"), std::string::npos) << r.err;
}

TEST(ScanCommand, WhatCannotBeReadIsOneLineEvenWhenQuietAndTheRestIsListed) {
    TempTree t;
    t.File("locked/inside");
    t.File("open/seen");
    // The build folder may be out of reach of the unprivileged user.
    t.File("config.xml", std::string(DefaultConfigText));
    t.Chmod("locked", 0);
    const std::string got = RunWithoutRoot([&] {
        const ScanRun r = RunScan({"-q", "-s", "none", "--config", t.Path("config.xml"), t.Root()});
        return std::to_string(r.status) + "\n" + r.out + r.err;
    });
    EXPECT_EQ(got, "1\n" + t.Path("open/seen") + "\nnullsweep: cannot read " + t.Path("locked") +
                       ": Permission denied\n");
}

TEST(ScanCommand, AFolderThatIsNoPathIsNamedWithoutAnAbort) {
    TempTree t;
    t.File("e");
    t.Folder("gone");
    const std::string got = RunInChild([&] {
        if (::chdir(t.Path("gone").c_str()) != 0 || ::rmdir(t.Path("gone").c_str()) != 0)
            return std::string("setup failed");
        const ScanRun r = RunScan({"-q", "", "relative", t.Root()});
        return std::to_string(r.status) + "\n" + r.out + r.err;
    });
    EXPECT_EQ(got, "1\n" + t.Path("e") + "\nnullsweep scan: : No such file or directory\n" +
                       "nullsweep scan: relative: No such file or directory\n");
}

TEST(ScanCommand, NamesInMessagesShowControlCharactersEscapedWhileTheListStaysExact) {
    const std::string hostile = "x\033[2J\033]0;owned\007y\n\x9b"
                                "2J\xc2\x9b"
                                "2J\xc3\xa9\xe9";
    const std::string shown = "x\\x1b[2J\\x1b]0;owned\\ay\\n\\x9b2J\\xc2\\x9b2J\xc3\xa9\xe9";
    TempTree t;
    t.File("list/" + hostile);
    t.File("locked/" + hostile + "/inside");
    t.File("config.xml", std::string(DefaultConfigText));
    t.Chmod("locked/" + hostile, 0);
    const std::string got = RunWithoutRoot([&] {
        const ScanRun r = RunScan({"-q", "-s", "none", "--config", t.Path("config.xml"),
                                   t.Path("list"), t.Path("locked"), t.Path(hostile)});
        const ScanRun output = RunScan({"-q", "--config", t.Path("config.xml"), "-o",
                                        t.Path(hostile + "/out"), t.Path("list")});
        return std::to_string(r.status) + "\n" + r.out + r.err + output.err;
    });
    EXPECT_EQ(got, "1\n" + t.Path("list/" + hostile) + "\nnullsweep: cannot read " +
                       t.Path("locked/" + shown) +
                       ": Permission denied\nnullsweep scan: " + t.Path(shown) +
                       ": No such file or directory\n" + "nullsweep scan: cannot write " +
                       t.Path(shown + "/out") + ": No such file or directory\n");
}

TEST(ScanCommand, ExcludedNamesAreSkippedAndExcludedFoldersNotEntered) {
    TempTree t;
    for (const char* f : {"keep.txt", "drop.log", "node_modules/x", "sub/node_modules/y",
                          "sub/z.txt", "sub/.cache/w"})
        t.File(f);
    const ScanRun r = RunScan(
        {"-q", "--exclude", "*.log", "--exclude", "node_modules", "--exclude=.c*", t.Root()});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, t.Path("keep.txt") + "\n" + t.Path("sub/z.txt") + "\n");
}

TEST(ScanCommand, OneThreadAndEightGiveTheSameBytes) {
    TempTree t;
    std::mt19937 random(5);
    std::vector<std::string> folders{""};
    for (int i = 0; i < 600; ++i) {
        const std::string folder =
            folders[random() % folders.size()] + "d" + std::to_string(random() % 1000) + "/";
        folders.push_back(folder);
        for (unsigned f = random() % 5; f > 0; --f)
            t.File(folder + "f" + std::to_string(random() % 100), random() % 3 ? "" : "x");
    }
    for (const char* format : {"paths", "csv"}) {
        const ScanRun one = RunScan({"-q", "-s", "none", "-f", format, "-j", "1", t.Root()});
        const ScanRun eight = RunScan({"-q", "-s", "none", "-f", format, "--threads=8", t.Root()});
        EXPECT_EQ(one.status, 0);
        EXPECT_GT(std::count(one.out.begin(), one.out.end(), '\n'), 300) << format;
        EXPECT_EQ(one.out, eight.out) << format;
    }
}

// In walk order the paths go out as they are found: the first one reaches the reader at once,
// and every row is still there for --delete afterwards.
TEST(ScanCommand, PathsInWalkOrderAreWrittenAsFoundAndStillDeleted) {
    StringSink sink;
    int pushed = 0;
    PathStream stream(sink, false, [&] { ++pushed; });
    stream.Add("/first");
    EXPECT_EQ(sink.text, "/first\n");
    EXPECT_EQ(pushed, 1);

    TempTree t;
    t.File("a/e1");
    t.File("b/e2");
    t.File("full", "x");
    const ScanRun r = RunScan(
        {"-q", "-s", "none", "--delete", "-o", t.Path("list.txt"), t.Path("a"), t.Path("b")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(t.Path("list.txt")), t.Path("a/e1") + "\n" + t.Path("b/e2") + "\n");
    EXPECT_FALSE(std::filesystem::exists(t.Path("a/e1")));
    EXPECT_FALSE(std::filesystem::exists(t.Path("b/e2")));
}

TEST(ScanCommand, FoldersBecomeAbsoluteAndNormalAsTheWindowMakesThem) {
    TempTree t;
    t.File("sub/e");
    char* old = ::getcwd(nullptr, 0);
    ASSERT_EQ(::chdir(t.Root().c_str()), 0);
    const ScanRun r = RunScan({"-q", "./sub/../sub"});
    ASSERT_EQ(::chdir(old), 0);
    std::free(old);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, t.Path("sub/e") + "\n");
    EXPECT_EQ(RunScan({"-q", "/" + t.Root() + "/.//sub//"}).out, t.Path("sub/e") + "\n");
}

TEST(ScanCommand, BadUsageExitsTwoWithOneLine) {
    for (const auto& args : std::vector<std::vector<std::string>>{{"--bogus", "/tmp"},
                                                                  {"-f", "pdf", "/tmp"},
                                                                  {"/tmp", "-f"},
                                                                  {},
                                                                  {"-y", "/tmp"},
                                                                  {"-0", "-f", "csv", "/tmp"},
                                                                  {"-j", "0", "/tmp"},
                                                                  {"--threads=-1", "/tmp"},
                                                                  {"-j", "2x", "/tmp"},
                                                                  {"-j", "", "/tmp"},
                                                                  {"-o", "", "/none"},
                                                                  {"--output=", "/none"}}) {
        const ScanRun r = RunScan(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
}

TEST(ScanCommand, SortsByFileNameUnlessToldOtherwise) {
    TempTree t;
    t.File("b");
    t.File("sub/A");
    t.File("c");
    t.File("sub/a");
    t.SetTimes("b", 3000);
    t.SetTimes("sub/A", 1000);
    t.SetTimes("c", 2000);
    t.SetTimes("sub/a", 4000);
    auto lines = [&](std::vector<std::string> names) {
        std::string out;
        for (const auto& n : names)
            out += t.Path(n) + "\n";
        return out;
    };
    // Names equal but for case compare equal and keep the walk order both ways; the order of
    // "sub/A" and "sub/a" is the listing's, so it is taken from the unsorted run.
    const std::string walk = RunScan({"-q", "-s", "none", t.Path("sub")}).out;
    const std::string firstA = walk.substr(0, walk.find('\n') + 1);
    const std::string secondA = walk.substr(firstA.size());
    EXPECT_EQ(RunScan({"-q", t.Root()}).out, firstA + secondA + lines({"b", "c"}));
    EXPECT_EQ(RunScan({"-q", "--descending", t.Root()}).out, lines({"c", "b"}) + firstA + secondA);
    EXPECT_EQ(RunScan({"-q", "--sort", "Write Time", t.Root()}).out,
              lines({"sub/A", "c", "b", "sub/a"}));
    EXPECT_EQ(RunScan({"-q", "-d", "-s", "Write Time", t.Root()}).out,
              lines({"sub/a", "b", "c", "sub/A"}));
}

TEST(ScanCommand, UnknownSortFieldIsBadUsage) {
    for (const char* field : {"file name", "Size", "", " File Name"}) {
        const ScanRun r = RunScan({"-q", "--sort", field, "/tmp"});
        EXPECT_EQ(r.status, 2) << field;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_NE(r.err.find("unknown sort field"), std::string::npos) << r.err;
    }
}

TEST(ScanCommand, HelpShowsTheOptions) {
    const ScanRun r = RunScan({"--help"});
    EXPECT_EQ(r.status, 0);
    for (const char* option : {"--format", "--null", "--sort", "--descending", "--config",
                               "--quiet", "--help", "--version"})
        EXPECT_NE(r.out.find(option), std::string::npos) << option;
}

TEST(ScanCommand, UnwritableOutputFailsWithStatusOne) {
    TempTree t;
    t.File("e");
    std::vector<std::string> args{"scan", "-q", t.Root()};
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    std::FILE* full = std::fopen("/dev/full", "w");
    ASSERT_NE(full, nullptr);
    std::FILE* err = std::tmpfile();
    const int status = RunScanCommand(int(argv.size()), argv.data(), full, err);
    std::fclose(full);
    EXPECT_EQ(status, 1);
    EXPECT_NE(Slurp(err).find("cannot write"), std::string::npos);
}

TEST(ScanCommand, WritesTheMissingDefaultConfigurationBeforeScanning) {
    TempTree t;
    t.File("e");
    const std::string config = configFolder->tree->Path("CorvaneConfig.xml");
    std::filesystem::remove(config);
    ConfigStore(true);
    const ScanRun r = RunScan({"-q", t.Root()});
    EXPECT_EQ(r.status, 0) << r.err;
    std::ifstream in(config, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), DefaultConfigText);
}

TEST(ScanCommand, AProgramFolderThatCannotTakeTheDefaultStillScansAndSaysSo) {
    TempTree t;
    t.File("e");
    TempTree program;
    program.Chmod("", 0555);
    UseConfigFolder(program.Root());
    const std::string outcome = RunWithoutRoot([&] {
        const ScanRun r = RunScan({"-q", t.Root()});
        return std::to_string(r.status) + "|" + r.out + "|" + r.err;
    });
    UseConfigFolder(configFolder->tree->Root());
    EXPECT_EQ(outcome, "0|" + t.Path("e") +
                           "\n|nullsweep scan: " + program.Path("CorvaneConfig.xml") +
                           ": cannot write the default configuration: Permission denied; using "
                           "the built-in one\n");
}

TEST(ScanCommand, ABadConfigurationStopsTheScanWithStatusTwoAndStaysUntouched) {
    TempTree t;
    t.File("e");
    t.File("bad.xml", "<config>\n<nodes>\n</config>");
    t.File("nowidth.xml", "<config><nodes><node Name='File Size' ReadOnly='True' Index='0' "
                          "Visible='True'/></nodes></config>");
    t.File("good.xml", "<config><nodes/></config>");
    struct Case {
        std::vector<std::string> args;
        std::string error;
    };
    for (const Case& c : std::vector<Case>{
             {{"--config", t.Path("bad.xml")},
              t.Path("bad.xml") + ": line 3: Start-end tags mismatch near \"config>\""},
             {{"--config", t.Path("nowidth.xml")},
              t.Path("nowidth.xml") + ": column 1 (\"File Size\"): Width: Could not convert "
                                      "variant of type (Null) into type (Integer)"},
             {{"--config", t.Path("missing.xml")},
              t.Path("missing.xml") + ": cannot read: No such file or directory"}}) {
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"-q", t.Root()});
        const ScanRun r = RunScan(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "nullsweep scan: " + c.error + "\n");
    }
    EXPECT_FALSE(std::filesystem::exists(t.Path("missing.xml")));
    std::ifstream in(t.Path("bad.xml"), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "<config>\n<nodes>\n</config>");

    const ScanRun good = RunScan({"--config", t.Path("good.xml"), "-q", t.Root()});
    EXPECT_EQ(good.status, 0) << good.err;
    EXPECT_EQ(good.out, t.Path("e") + "\n");

    // The file beside the program is used again once --config is left out, and is checked too.
    configFolder->tree->File("CorvaneConfig.xml", "");
    const ScanRun besideProgram = RunScan({"-q", t.Root()});
    EXPECT_EQ(besideProgram.status, 2);
    EXPECT_EQ(besideProgram.err,
              "nullsweep scan: " + configFolder->tree->Path("CorvaneConfig.xml") +
                  ": line 1: No document element found\n");
    std::filesystem::remove(configFolder->tree->Path("CorvaneConfig.xml"));
}

TEST(ScanCommand, DeleteSummaryNamesEveryCountAndAFailureGivesStatusOne) {
    TempTree t;
    t.File("locked/e");
    t.Chmod("locked", 0555);
    t.File("open/e");
    t.Chmod("open", 0777);
    t.File("config.xml", std::string(DefaultConfigText));
    const std::string outcome = RunWithoutRoot([&] {
        const ScanRun r =
            RunScan({"-q", "--delete", "--no-journal", "--config", t.Path("config.xml"), t.Root()});
        return std::to_string(r.status) + "|" + r.err;
    });
    t.Chmod("locked", 0755);
    EXPECT_EQ(outcome, "1|nullsweep scan: cannot delete " + t.Path("locked/e") +
                           ": Permission denied\n"
                           "nullsweep scan: deleted 1 file; 0 kept; 0 changed; 1 failed\n");
    EXPECT_TRUE(std::filesystem::exists(t.Path("locked/e")));
    EXPECT_FALSE(std::filesystem::exists(t.Path("open/e")));
}

TEST(ScanCommand, TrashMovesEachListedFileToTheUsersTrash) {
    TempTree t;
    t.File("tree/e");
    t.File("tree/f");
    t.Folder("data");
    const ScanRun both = RunScan({"-q", "--trash", "--delete", t.Path("tree")});
    EXPECT_EQ(both.status, 2);
    EXPECT_EQ(both.err, "nullsweep scan: --delete and --trash exclude each other "
                        "(try 'nullsweep scan --help')\n");
    EXPECT_TRUE(std::filesystem::exists(t.Path("tree/e")));

    ASSERT_EQ(::setenv("XDG_DATA_HOME", t.Path("data").c_str(), 1), 0);
    const ScanRun r = RunScan({"-q", "--trash", t.Path("tree")});
    ::unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "nullsweep scan: moved 2 files to the trash; 0 kept; 0 changed; 0 failed\n");
    EXPECT_FALSE(std::filesystem::exists(t.Path("tree/e")));
    EXPECT_TRUE(std::filesystem::exists(t.Path("data/Trash/files/e")));
    EXPECT_TRUE(std::filesystem::exists(t.Path("data/Trash/info/f.trashinfo")));
}

TEST(ScanCommand, DeleteLeavesKeptFilesUnlessToldToIncludeThem) {
    TempTree t;
    for (const char* name : {"src/pkg/__init__.py", "src/pkg/py.typed", "logs/.gitkeep",
                             "logs/tracked.log", "logs/untracked.log", "run.pid"})
        t.File(std::string("repo/") + name);
    const std::string git = "git -C '" + t.Path("repo") + "' ";
    ASSERT_EQ(
        std::system((git + "init -q && " + git + "add logs/tracked.log logs/.gitkeep src").c_str()),
        0);

    const ScanRun r =
        RunScan({"-q", "--delete", "--no-journal", "--keep", "*.pid", t.Path("repo")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "nullsweep scan: deleted 1 file; 5 kept; 0 changed; 0 failed\n");
    EXPECT_FALSE(std::filesystem::exists(t.Path("repo/logs/untracked.log")));
    EXPECT_TRUE(std::filesystem::exists(t.Path("repo/logs/tracked.log")));
    EXPECT_TRUE(std::filesystem::exists(t.Path("repo/src/pkg/__init__.py")));

    const ScanRun all =
        RunScan({"-q", "--delete", "--no-journal", "--include-kept", t.Path("repo")});
    EXPECT_EQ(all.err, "nullsweep scan: deleted 5 files; 0 kept; 0 changed; 0 failed\n");
    for (const char* name : {"src/pkg/__init__.py", "logs/.gitkeep", "logs/tracked.log", "run.pid"})
        EXPECT_FALSE(std::filesystem::exists(t.Path(std::string("repo/") + name))) << name;
}

TEST(ScanCommand, FilesFromAListAreCheckedNowListedInOrderAndDeletedExactly) {
    TempTree t;
    t.File("b/e2");
    t.File("a/with\nnewline");
    t.File("a/e1");
    t.File("pkg/__init__.py");
    t.File("full", "data");
    t.Link("link", "a/e1");
    t.Folder("dir");
    const std::vector<std::string> listed{t.Path("b/e2"),
                                          t.Path("a/with\nnewline"),
                                          t.Path("full"),
                                          t.Path("link"),
                                          t.Path("dir"),
                                          t.Path("full/x"),
                                          t.Path("missing"),
                                          t.Root() + "/./a//e1",
                                          t.Path("pkg/__init__.py")};
    std::string nulList, lineList;
    for (const std::string& path : listed) {
        nulList += path + '\0';
        if (path.find('\n') == std::string::npos) lineList += path + '\n';
    }
    t.File("list0", nulList);
    t.File("list", lineList);

    const ScanRun r = RunScan({"-q", "-0", "--files-from", t.Path("list0"), "-s", "none"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, t.Path("b/e2") + '\0' + t.Path("a/with\nnewline") + '\0' + t.Path("a/e1") +
                         '\0' + t.Path("pkg/__init__.py") + '\0');
    EXPECT_EQ(r.err, "nullsweep: cannot read " + t.Path("full/x") + ": Not a directory\n" +
                         "nullsweep: cannot read " + t.Path("missing") +
                         ": No such file or directory\n");
    // Every format works on the list; sorted by name unless told otherwise.
    const ScanRun csv = RunScan({"-q", "-f", "csv", "--files-from", t.Path("list")});
    EXPECT_EQ(csv.out.find(t.Path("full")), std::string::npos) << csv.out;
    EXPECT_LT(csv.out.find(t.Path("a/e1")), csv.out.find(t.Path("b/e2"))) << csv.out;
    EXPECT_EQ(RunScan({"-q", "--files-from", t.Path("list"), t.Root()}).status, 2);
    // -0 with --files-from reads a NUL-ended list, in any format.
    const ScanRun nulCsv = RunScan({"-q", "-0", "--files-from", t.Path("list0"), "-f", "csv"});
    EXPECT_NE(nulCsv.out.find(t.Path("a/with\nnewline")), std::string::npos) << nulCsv.out;

    // Deleted through the file's own folder; kept files are left.
    t.File("list1",
           t.Path("b/e2") + "\n" + t.Path("a/e1") + "\n" + t.Path("pkg/__init__.py") + "\n");
    const std::string list1 = t.Path("list1");
    const ScanRun del = RunScan({"-q", "--delete", "--no-journal", "--files-from", list1});
    EXPECT_EQ(del.err, "nullsweep scan: deleted 2 files; 1 kept; 0 changed; 0 failed\n");
    EXPECT_FALSE(std::filesystem::exists(t.Path("a/e1")));
    EXPECT_FALSE(std::filesystem::exists(t.Path("b/e2")));
    EXPECT_TRUE(std::filesystem::exists(t.Path("pkg/__init__.py")));
    EXPECT_TRUE(std::filesystem::is_symlink(t.Path("link")));
}

// Lines are checked folder by folder on several threads; what comes out keeps the list's order.
TEST(ScanCommand, AnInterleavedFileListKeepsItsOrderOnEveryThread) {
    TempTree t;
    std::string list, expected;
    for (int i = 0; i < 1200; ++i) {
        const std::string path = t.Path("d" + std::to_string(i % 3) + "/f" + std::to_string(i));
        t.File(path.substr(t.Root().size() + 1), i % 2 ? "x" : "");
        list += path + "\n";
        if (i % 2 == 0) expected += path + "\n";
        if (i == 600) list += t.Path("d1/missing") + "\n";
    }
    t.File("list", list);
    for (const char* threads : {"1", "4"}) {
        const ScanRun r =
            RunScan({"-q", "-s", "none", "-j", threads, "--files-from", t.Path("list")});
        EXPECT_EQ(r.out, expected) << threads << " threads";
        EXPECT_EQ(r.err, "nullsweep: cannot read " + t.Path("d1/missing") +
                             ": No such file or directory\n");
    }
}
