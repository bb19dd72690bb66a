// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan/Trash.h"
#include "ScanThenAct.h"
#include "scan/Scan.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <string>

using namespace nullsweep;
using nullsweep::test::ReadFile;
using nullsweep::test::TempTree;

namespace {

bool exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

std::string realPathOf(const std::string& path) {
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? resolved : path;
}

std::map<std::string, DeleteOutcome> scanAndTrash(const std::string& folder, UserTrash& trash,
                                                  const std::function<void()>& between) {
    return nullsweep::test::ScanThenAct(
        folder, between, [&](const TResultRow& row) { return TrashListedFile(row, trash); });
}

// The Path= value of an info file, after checking the rest of it.
std::string trashedPath(const std::string& infoFile) {
    const std::string text = ReadFile(infoFile);
    std::smatch m;
    const std::regex layout("\\[Trash Info\\]\nPath=([^\n]*)\n"
                            "DeletionDate=\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\n");
    EXPECT_TRUE(std::regex_match(text, m, layout)) << infoFile << ":\n" << text;
    return m.size() > 1 ? m[1].str() : std::string();
}

} // namespace

TEST(Trash, HomeTrashTakesEachFileUnderANameOfItsOwnWithItsInfo) {
    TempTree t;
    t.File("root/a b%.txt");
    t.File("root/sub/a b%.txt");
    t.File("root/replaced");
    t.Folder("data");
    ASSERT_EQ(::setenv("XDG_DATA_HOME", t.Path("data").c_str(), 1), 0);
    const std::string home = UserTrash::HomeTrashPath();
    ::unsetenv("XDG_DATA_HOME");
    ASSERT_EQ(home, t.Path("data/Trash"));
    UserTrash trash(home);
    const auto outcomes = scanAndTrash(t.Path("root"), trash, [&] {
        t.File("root/replaced.new");
        ASSERT_EQ(::rename(t.Path("root/replaced.new").c_str(), t.Path("root/replaced").c_str()),
                  0);
    });
    EXPECT_EQ(outcomes.at(t.Path("root/a b%.txt")), DeleteOutcome::Deleted);
    EXPECT_EQ(outcomes.at(t.Path("root/sub/a b%.txt")), DeleteOutcome::Deleted);
    EXPECT_EQ(outcomes.at(t.Path("root/replaced")), DeleteOutcome::Changed);
    EXPECT_FALSE(exists(t.Path("root/a b%.txt")));
    EXPECT_FALSE(exists(t.Path("root/sub/a b%.txt")));
    EXPECT_TRUE(exists(t.Path("root/replaced")));

    const std::string root = realPathOf(t.Path("root"));
    std::map<std::string, std::string> trashed; // Path= of each name in files/
    for (const auto& entry : std::filesystem::directory_iterator(home + "/files")) {
        const std::string name = entry.path().filename();
        trashed[name] = trashedPath(home + "/info/" + name + ".trashinfo");
    }
    const std::string encoded = TrashPathText(root);
    ASSERT_EQ(trashed.size(), 2u);
    ASSERT_EQ(trashed.count("a b%.txt"), 1u);
    ASSERT_EQ(trashed.count("a b%.txt.2"), 1u);
    std::set<std::string> paths{trashed["a b%.txt"], trashed["a b%.txt.2"]};
    EXPECT_EQ(paths,
              (std::set<std::string>{encoded + "/a%20b%25.txt", encoded + "/sub/a%20b%25.txt"}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(home + "/info"), {}), 2);
}

TEST(Trash, AnotherFileSystemUsesItsTopLevelTrash) {
    // A tmpfs apart from the temporary folder, where the home trash lives.
    struct stat shm {
    }, tmp{};
    TempTree t;
    if (::stat("/dev/shm", &shm) != 0 || ::stat(t.Root().c_str(), &tmp) != 0 ||
        shm.st_dev == tmp.st_dev || ::access("/dev/shm", W_OK) != 0)
        GTEST_SKIP() << "no writable /dev/shm on a file system of its own";
    const std::string top = "/dev/shm/.Trash-" + std::to_string(::geteuid());
    if (exists(top)) GTEST_SKIP() << top << " is in use";
    char pattern[] = "/dev/shm/nullsweep-trash-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const std::string folder = pattern;
    std::fclose(std::fopen((folder + "/e").c_str(), "w"));
    UserTrash trash(t.Path("data/Trash"));
    const auto outcomes = scanAndTrash(folder, trash, [] {});
    EXPECT_EQ(outcomes.at(folder + "/e"), DeleteOutcome::Deleted);
    const std::string name = std::filesystem::path(folder).filename();
    EXPECT_TRUE(exists(top + "/files/e"));
    EXPECT_EQ(trashedPath(top + "/info/e.trashinfo"), name + "/e");
    EXPECT_FALSE(exists(t.Path("data/Trash/files/e")));
    std::filesystem::remove_all(top);
    std::filesystem::remove_all(folder);
}
