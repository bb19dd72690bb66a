// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan/KeptFiles.h"
#include "rows/GridRows.h"
#include "scan/FilesFrom.h"
#include "scan/Scan.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

using namespace nullsweep;
using nullsweep::test::TempTree;

namespace {

// Each listed path's kept reason ("" for none), checking the box matches it.
std::map<std::string, std::string> scanReasons(const std::string& folder, KeptFiles& kept) {
    TVirtualStringTree grid;
    ScanOptions options;
    options.kept = &kept;
    ScanFolder(grid, folder, options);
    std::map<std::string, std::string> reasons;
    for (PVirtualNode n = grid.GetFirst(); n; n = grid.GetNext(n)) {
        const std::string reason(KeptReasonOf(RowOf(n)));
        EXPECT_EQ(n->CheckState, reason.empty() ? csCheckedNormal : csUncheckedNormal);
        reasons[std::string(RowOf(n).Path()).substr(folder.size() + 1)] = reason;
    }
    return reasons;
}

} // namespace

TEST(KeptFiles, GitTracksSomeEmptyFilesAndNamesMarkOthers) {
    TempTree t;
    t.File("repo/logs/tracked.log");
    t.File("repo/logs/untracked.log");
    t.File("repo/src/pkg/__init__.py");
    t.File("repo/src/pkg/py.typed");
    t.File("repo/logs/.gitkeep");
    t.File("repo/app.lock");
    t.File("repo/.hg/store/empty");
    t.File("repo/media/.nomedia");
    const std::string git = "git -C '" + t.Path("repo") + "' ";
    ASSERT_EQ(std::system((git + "init -q && " + git + "add logs/tracked.log").c_str()), 0);
    t.File("repo/.git/empty-inside");
    // A repository of its own inside: its index decides below it.
    t.File("repo/deep/inner/tracked-inside.log");
    t.File("repo/deep/inner/untracked-inside.log");
    const std::string inner = "git -C '" + t.Path("repo/deep/inner") + "' ";
    ASSERT_EQ(std::system((inner + "init -q && " + inner + "add tracked-inside.log").c_str()), 0);
    KeptFiles kept({"*.lock"});
    const auto reasons = scanReasons(t.Root(), kept);
    EXPECT_EQ(reasons.at("repo/logs/tracked.log"), "Kept: tracked by git");
    EXPECT_EQ(reasons.at("repo/logs/untracked.log"), "");
    EXPECT_EQ(reasons.at("repo/deep/inner/tracked-inside.log"), "Kept: tracked by git");
    EXPECT_EQ(reasons.at("repo/deep/inner/untracked-inside.log"), "");
    EXPECT_EQ(reasons.at("repo/src/pkg/__init__.py"), "Kept: marks a Python package");
    EXPECT_EQ(reasons.at("repo/src/pkg/py.typed"), "Kept: marks a typed Python package");
    EXPECT_EQ(reasons.at("repo/logs/.gitkeep"), "Kept: keeps its folder");
    EXPECT_EQ(reasons.at("repo/app.lock"), "Kept: matches a --keep pattern");
    EXPECT_EQ(reasons.at("repo/.hg/store/empty"), "Kept: inside a version control folder");
    EXPECT_EQ(reasons.at("repo/.git/empty-inside"), "Kept: inside a version control folder");
    EXPECT_EQ(reasons.at("repo/media/.nomedia"), "Kept: hides its folder from media players");
}

TEST(KeptFiles, NamesAndPlacesWithoutAWalk) {
    KeptFiles kept;
    EXPECT_EQ(kept.ReasonFor("/var/lib/dpkg/lock", "lock"), "Kept: package manager state");
    EXPECT_EQ(kept.ReasonFor("/var/lib/apt/lists/lock", "lock"), "Kept: package manager state");
    EXPECT_EQ(kept.ReasonFor("/x/.keep", ".keep"), "Kept: keeps its folder");
    EXPECT_EQ(kept.ReasonFor("/x/.donotdelete", ".donotdelete"), "Kept: marked not to be deleted");
    EXPECT_EQ(kept.ReasonFor("/var/lib/dpkgx/lock", "lock"), "");
    EXPECT_EQ(kept.ReasonFor("/x/.gitignore", ".gitignore"), "");
    EXPECT_EQ(kept.ReasonFor("/x/app.lock", "app.lock"), "");
}

namespace {

std::string git(const TempTree& t, const std::string& repo, const std::string& command) {
    return "git -C '" + t.Path(repo) + "' " + command + " >/dev/null 2>&1";
}

} // namespace

// Reached through a link to the repository, to its .git folder, or named in a list through a
// link: the decision is made where the file really is.
TEST(KeptFiles, DecidedWhereTheFileIsWhateverLinkLedThere) {
    TempTree t;
    t.File("repo/t");
    t.File("repo/free");
    ASSERT_EQ(std::system((git(t, "repo", "init -q") + " && " + git(t, "repo", "add t")).c_str()),
              0);
    t.File("repo/.git/inside");
    t.Link("link", "repo");
    t.Link("gitlink", "repo/.git");
    KeptFiles kept;
    const auto viaLink = scanReasons(t.Path("link"), kept);
    EXPECT_EQ(viaLink.at("t"), "Kept: tracked by git");
    EXPECT_EQ(viaLink.at("free"), "");
    EXPECT_EQ(viaLink.at(".git/inside"), "Kept: inside a version control folder");
    EXPECT_EQ(scanReasons(t.Path("gitlink"), kept).at("inside"),
              "Kept: inside a version control folder");

    const std::string list = t.Path("link/t") + "\n" + t.Path("gitlink/inside") + "\n";
    std::FILE* in = ::fmemopen(const_cast<char*>(list.data()), list.size(), "r");
    ScanOptions options;
    options.kept = &kept;
    std::vector<std::string> reasons;
    ScanFileList(in, false, options,
                 [&](TResultRow&& row) { reasons.emplace_back(KeptReasonOf(row)); });
    std::fclose(in);
    EXPECT_EQ(reasons, (std::vector<std::string>{"Kept: tracked by git",
                                                 "Kept: inside a version control folder"}));
}

// Another user's repository is read like one's own; one whose index cannot be read (broken,
// or a stale .git file) keeps everything below it and is named once; a bare one is kept whole.
TEST(KeptFiles, RepositoriesOfOthersBrokenOrBareStillKeepTheirFiles) {
    TempTree t;
    for (const char* repo : {"theirs", "broken", "stale"}) {
        t.File(std::string(repo) + "/t");
        t.File(std::string(repo) + "/sub/untracked");
        ASSERT_EQ(std::system((git(t, repo, "init -q") + " && " + git(t, repo, "add t")).c_str()),
                  0);
    }
    t.File("broken/.git/index", "not an index at all");
    t.File("stale/sub/.git", "gitdir: /nonexistent/place\n");
    ASSERT_EQ(std::system(("git init -q --bare '" + t.Path("bare") + "' >/dev/null").c_str()), 0);
    t.File("bare/refs/heads/empty");
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(std::system(("chown -R 65534:65534 '" + t.Path("theirs") + "'").c_str()), 0);
    }
    KeptFiles kept;
    std::vector<std::string> warnings;
    kept.SetWarning([&](const std::string& line) { warnings.push_back(line); });
    const auto reasons = scanReasons(t.Root(), kept);
    if (root) {
        EXPECT_EQ(reasons.at("theirs/t"), "Kept: tracked by git");
    }
    EXPECT_EQ(reasons.at("theirs/sub/untracked"), "");
    const std::string unreadable = "Kept: in a git repository whose index cannot be read";
    EXPECT_EQ(reasons.at("broken/t"), unreadable);
    EXPECT_EQ(reasons.at("broken/sub/untracked"), unreadable);
    EXPECT_EQ(reasons.at("stale/t"), "Kept: tracked by git");
    EXPECT_EQ(reasons.at("stale/sub/untracked"), unreadable);
    EXPECT_EQ(reasons.at("bare/refs/heads/empty"), "Kept: inside a bare git repository");
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_TRUE(warnings[0].starts_with("cannot read the git repository " + t.Path("broken") + ":"))
        << warnings[0];
    EXPECT_TRUE(
        warnings[1].starts_with("cannot read the git repository " + t.Path("stale/sub") + ":"))
        << warnings[1];
}

TEST(KeptFiles, FilesInATrashFolderAreKept) {
    TempTree t;
    for (const char* file : {"data/Trash/files/a", "mnt/.Trash-1000/files/b",
                             "mnt/.Trash/1000/files/c", "mnt/.Trash-me/files/d"})
        t.File(file);
    ASSERT_EQ(::setenv("XDG_DATA_HOME", t.Path("data").c_str(), 1), 0);
    KeptFiles kept;
    ::unsetenv("XDG_DATA_HOME");
    const auto reasons = scanReasons(t.Root(), kept);
    EXPECT_EQ(reasons.at("data/Trash/files/a"), "Kept: inside a trash folder");
    EXPECT_EQ(reasons.at("mnt/.Trash-1000/files/b"), "Kept: inside a trash folder");
    EXPECT_EQ(reasons.at("mnt/.Trash/1000/files/c"), "Kept: inside a trash folder");
    EXPECT_EQ(reasons.at("mnt/.Trash-me/files/d"), "");
}

// A pattern with a "/" is anchored at the scanned folder and its "*" stays within one name.
TEST(KeptFiles, PatternsWithASlashMatchThePathBelowTheFolder) {
    TempTree t;
    for (const char* file : {"sub/x", "other/sub/x", "a/y", "a/b/y", "deep/er/z"})
        t.File(file);
    KeptFiles kept({"sub/x", "*/y", "z"});
    const auto reasons = scanReasons(t.Root(), kept);
    const std::string match = "Kept: matches a --keep pattern";
    EXPECT_EQ(reasons.at("sub/x"), match);
    EXPECT_EQ(reasons.at("other/sub/x"), "");
    EXPECT_EQ(reasons.at("a/y"), match);
    EXPECT_EQ(reasons.at("a/b/y"), "");
    EXPECT_EQ(reasons.at("deep/er/z"), match);
}

// Repositories beside a deep chain are found when the walk comes back up to them: the folder
// above is reached again from below (through "..", checked), never taken for another.
TEST(KeptFiles, RepositoriesBesideADeepChainAreFoundOnTheWayBackUp) {
    TempTree t;
    std::string chain = "c";
    std::string script;
    for (int level = 0; level < 20; ++level, chain += "/c") {
        t.File(chain + "/side/t");
        t.File(chain + "/side/u");
        const std::string git = "git -C '" + t.Path(chain + "/side") + "' ";
        script += git + "init -q && " + git + "add t && ";
    }
    ASSERT_EQ(std::system((script + "true").c_str()), 0);
    KeptFiles kept;
    const auto reasons = scanReasons(t.Root(), kept);
    std::string at = "c";
    for (int level = 0; level < 20; ++level, at += "/c") {
        EXPECT_EQ(reasons.at(at + "/side/t"), "Kept: tracked by git") << level;
        EXPECT_EQ(reasons.at(at + "/side/u"), "") << level;
    }
}
