// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/ConfigStore.h"
#include "config/DefaultConfig.h"
#include "fs/TemporaryFile.h"
#include "fs/WriteFully.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

using namespace nullsweep;
using nullsweep::test::ReadFile;
using nullsweep::test::RunWithoutRoot;
using nullsweep::test::TempTree;

namespace {

std::set<std::string> filesIn(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

std::string errorOf(const std::function<void()>& work) {
    try {
        work();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "no error";
}

const char* TwoColumns = "<config versionNo='7'><nodes><node Name='File Size' Width='5'/>"
                         "<node Name='Full Path' Width='6'/></nodes></config>";

class ConfigStoreTest : public ::testing::Test {
  protected:
    void SetUp() override { UseConfigFolder(tree.Root()); }
    void TearDown() override {
        UseConfigFile("");
        UseConfigFolder("");
        ConfigStore(true);
    }
    std::string ConfigPath() const { return tree.Path("CorvaneConfig.xml"); }

    TempTree tree;
};

} // namespace

TEST_F(ConfigStoreTest, MissingFileIsWrittenFromTheDefaultThenLoaded) {
    EXPECT_EQ(TConfig::ConfigFileName(), ConfigPath());
    const TConfig* store = ConfigStore(false);
    EXPECT_EQ(ReadFile(ConfigPath()), DefaultConfigText);
    EXPECT_EQ(filesIn(tree.Root()), std::set<std::string>{"CorvaneConfig.xml"}); // no leftovers
    EXPECT_EQ(store->Root().nodes().Count(), 7);
    EXPECT_EQ(store->Root().nodes().Item(6).Name(), "Write Time");
    struct stat st {};
    ASSERT_EQ(::stat(ConfigPath().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0444, 0444u) << "readable by everyone, like any new file";
}

TEST_F(ConfigStoreTest, LaterCallsReturnTheSameStoreWithoutLookingAtTheFile) {
    TConfig* store = ConfigStore(false);
    const TXMLConfigType* root = &store->Root();
    std::filesystem::remove(ConfigPath());
    EXPECT_EQ(ConfigStore(false), store);
    EXPECT_EQ(&ConfigStore(false)->Root(), root);
    EXPECT_FALSE(std::filesystem::exists(ConfigPath()));
    EXPECT_EQ(ConfigStore(false)->Root().nodes().Count(), 7);
}

TEST_F(ConfigStoreTest, ReleaseMakesTheNextCallLoadAgain) {
    ConfigStore(false);
    EXPECT_EQ(ConfigStore(true), nullptr);
    tree.File("CorvaneConfig.xml", TwoColumns);
    EXPECT_EQ(ConfigStore(false)->Root().nodes().Count(), 2);
    ConfigStore(true);
    std::filesystem::remove(ConfigPath());
    EXPECT_EQ(ConfigStore(false)->Root().nodes().Count(), 7); // written again
    EXPECT_EQ(ReadFile(ConfigPath()), DefaultConfigText);
}

TEST_F(ConfigStoreTest, AnExistingFileIsLoadedAsItIsAndNeverRewritten) {
    tree.File("CorvaneConfig.xml", TwoColumns);
    const TConfig* store = ConfigStore(false);
    EXPECT_EQ(store->Root().versionNo(), 7);
    EXPECT_EQ(store->Root().nodes().Item(1).Name(), "Full Path");
    store->Root().frame(); // created in memory only
    ConfigStore(true);
    EXPECT_EQ(ReadFile(ConfigPath()), TwoColumns);
}

TEST_F(ConfigStoreTest, BadFilesAreRefusedAtEveryCallAndLeftUntouched) {
    const std::string path = ConfigPath();
    for (const auto& [content, error] : std::vector<std::pair<std::string, std::string>>{
             {"", path + ": line 1: No document element found"},
             {"<config>\n<nodes>\n<node Name='x'>\n</nodes></config>",
              path + ": line 4: Start-end tags mismatch near \"nodes></config>\""},
             {"<configuration/>",
              path + ": the root element is \"configuration\", not \"config\""}}) {
        tree.File("CorvaneConfig.xml", content);
        EXPECT_EQ(errorOf([] { ConfigStore(false); }), error);
        EXPECT_EQ(errorOf([] { ConfigStore(false); }), error); // tried again, not kept
        EXPECT_EQ(ReadFile(path), content);
    }
    tree.File("CorvaneConfig.xml", TwoColumns); // mended by the user: the next call loads it
    EXPECT_EQ(ConfigStore(false)->Root().nodes().Count(), 2);
}

TEST_F(ConfigStoreTest, AnUnwritableFolderGivesTheBuiltInDefaultAndSaysSo) {
    tree.Chmod("", 0555);
    const std::string outcome = RunWithoutRoot([] {
        const TConfig* config = ConfigStore(false);
        return std::to_string(config->Root().nodes().Count()) + "|" + config->Notice();
    });
    EXPECT_EQ(outcome, "7|" + ConfigPath() +
                           ": cannot write the default configuration: Permission denied; "
                           "using the built-in one");
    EXPECT_TRUE(filesIn(tree.Root()).empty());
    tree.Chmod("", 0755);
    EXPECT_EQ(ConfigStore(false)->Root().nodes().Count(), 7);
}

TEST_F(ConfigStoreTest, AnUnreadableFileIsRefused) {
    tree.File("CorvaneConfig.xml", TwoColumns);
    tree.Chmod("CorvaneConfig.xml", 0200);
    EXPECT_EQ(RunWithoutRoot([] { return errorOf([] { ConfigStore(false); }); }),
              ConfigPath() + ": cannot read: Permission denied");
    EXPECT_EQ(ReadFile(ConfigPath()), TwoColumns);
}

TEST_F(ConfigStoreTest, AGivenFileIsReadButNeverCreated) {
    tree.File("mine.xml", TwoColumns);
    UseConfigFile(tree.Path("mine.xml"));
    EXPECT_EQ(TConfig::ConfigFileName(), tree.Path("mine.xml"));
    EXPECT_EQ(ConfigStore(false)->Root().nodes().Count(), 2);

    UseConfigFile(tree.Path("missing.xml")); // releases the store loaded from mine.xml
    EXPECT_EQ(errorOf([] { ConfigStore(false); }),
              tree.Path("missing.xml") + ": cannot read: No such file or directory");
    EXPECT_EQ(filesIn(tree.Root()), std::set<std::string>{"mine.xml"});

    UseConfigFile(""); // back to the folder, with its default
    EXPECT_EQ(ConfigStore(false)->Root().nodes().Count(), 7);
    EXPECT_TRUE(std::filesystem::exists(ConfigPath()));
}

TEST_F(ConfigStoreTest, ARelativeGivenFileIsTakenFromTheCurrentFolder) {
    tree.File("sub/mine.xml", TwoColumns);
    char* old = ::getcwd(nullptr, 0);
    ASSERT_EQ(::chdir(tree.Path("sub").c_str()), 0);
    UseConfigFile("./mine.xml");
    ASSERT_EQ(::chdir(old), 0);
    std::free(old);
    EXPECT_EQ(TConfig::ConfigFileName(), tree.Path("sub/mine.xml"));
    EXPECT_EQ(ConfigStore(false)->Root().nodes().Count(), 2);
}

TEST(ExecutableFolder, HoldsTheRunningProgram) {
    UseConfigFolder("");
    const std::string folder = ExecutableFolder();
    EXPECT_TRUE(std::filesystem::exists(folder + "/config_tests")) << folder;
    EXPECT_EQ(TConfig::ConfigFileName(), folder + "/CorvaneConfig.xml");
}

// The default configuration relies on this: a file that appears while ours is written wins.
TEST(TemporaryFile, PlacingWithoutReplacingKeepsAFilePutThereMeanwhile) {
    TempTree tree;
    for (const bool named : {false, true}) {
        TemporaryFile file(tree.Root() + "/", "target");
        ASSERT_EQ(file.Create(named), 0);
        ASSERT_EQ(WriteFully(file.Fd(), "ours"), 0);
        tree.File("target", "theirs");
        EXPECT_EQ(file.Place(tree.Path("target"), nullptr, false), EEXIST);
        EXPECT_EQ(ReadFile(tree.Path("target")), "theirs");
        std::filesystem::remove(tree.Path("target"));
    }
    EXPECT_EQ(filesIn(tree.Root()), std::set<std::string>{}) << "no temporary file is left";
}
