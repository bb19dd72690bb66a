// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan/KeptFiles.h"
#include "grid/GridRows.h"
#include "scan/Scan.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>

using namespace nullsweep;
using nullsweep::test::TempTree;

namespace {

// Each listed path's kept reason ("" for none), checking the box matches it.
std::map<std::string, std::string> scanReasons(const std::string& folder, TKeptFiles& kept) {
    TVirtualStringTree grid;
    ScanOptions options;
    options.kept = &kept;
    ScanFolder(grid, folder, options);
    std::map<std::string, std::string> reasons;
    for (PVirtualNode n = grid.GetFirst(); n; n = grid.GetNext(n)) {
        const std::string reason(KeptReasonOf(RowOf(n)));
        EXPECT_EQ(n->CheckState, reason.empty() ? csCheckedNormal : csUncheckedNormal);
        reasons[std::string(RowOf(n).Field(TField::FullPath)).substr(folder.size() + 1)] = reason;
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
    TKeptFiles kept({"*.lock"});
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
    TKeptFiles kept;
    EXPECT_EQ(kept.ReasonFor("/var/lib/dpkg/lock", "lock"), "Kept: package manager state");
    EXPECT_EQ(kept.ReasonFor("/var/lib/apt/lists/lock", "lock"), "Kept: package manager state");
    EXPECT_EQ(kept.ReasonFor("/x/.keep", ".keep"), "Kept: keeps its folder");
    EXPECT_EQ(kept.ReasonFor("/x/.donotdelete", ".donotdelete"), "Kept: marked not to be deleted");
    EXPECT_EQ(kept.ReasonFor("/var/lib/dpkgx/lock", "lock"), "");
    EXPECT_EQ(kept.ReasonFor("/x/.gitignore", ".gitignore"), "");
    EXPECT_EQ(kept.ReasonFor("/x/app.lock", "app.lock"), "");
}
