// SPDX-License-Identifier: GPL-3.0-or-later
// Deletes journalled by `nullsweep scan --delete` and undone by `nullsweep restore`.
#include "scan/RestoreJournal.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <thread>

extern char** environ;

using namespace nullsweep;
using nullsweep::test::ReadFile;
using nullsweep::test::RunWithoutRoot;
using nullsweep::test::TempTree;

namespace {

struct ProgramRun {
    int status;
    std::string out, err;
};

// The program with its journals in `state`; `wait` false leaves it running (pid in `pid`).
ProgramRun runProgram(const TempTree& io, const std::string& state, std::vector<std::string> args,
                      bool wait = true, pid_t* pid = nullptr) {
    ::setenv("XDG_STATE_HOME", state.c_str(), 1);
    args.insert(args.begin(), NULLSWEEP_BINARY);
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, io.Path("out").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, io.Path("err").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t child = 0;
    EXPECT_EQ(posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::unsetenv("XDG_STATE_HOME");
    if (!wait) {
        *pid = child;
        return {};
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(io.Path("out")),
            ReadFile(io.Path("err"))};
}

std::string statText(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return "missing";
    std::ostringstream s;
    s << std::oct << st.st_mode << std::dec << " " << st.st_uid << ":" << st.st_gid << " "
      << st.st_size << " a" << st.st_atim.tv_sec << "." << st.st_atim.tv_nsec << " m"
      << st.st_mtim.tv_sec << "." << st.st_mtim.tv_nsec;
    char names[1024];
    const ssize_t n = ::llistxattr(path.c_str(), names, sizeof names);
    for (ssize_t at = 0; at < n; at += ssize_t(std::strlen(names + at)) + 1) {
        char value[256];
        const ssize_t v = ::lgetxattr(path.c_str(), names + at, value, sizeof value);
        s << " " << (names + at) << "=" << std::string(value, std::size_t(std::max<ssize_t>(v, 0)));
    }
    return s.str();
}

// An access list granting user 1234 read: version 2, then tag, permissions, id a entry.
std::string aclGrantingUser1234() {
    std::string acl;
    const auto add32 = [&](std::uint32_t v) { acl.append(reinterpret_cast<char*>(&v), 4); };
    const auto entry = [&](std::uint16_t tag, std::uint16_t perm, std::uint32_t id) {
        acl.append(reinterpret_cast<char*>(&tag), 2);
        acl.append(reinterpret_cast<char*>(&perm), 2);
        add32(id);
    };
    add32(2);
    entry(0x01, 6, ~0u);  // owner
    entry(0x02, 4, 1234); // user 1234
    entry(0x04, 4, ~0u);  // group
    entry(0x10, 4, ~0u);  // mask
    entry(0x20, 0, ~0u);  // other
    return acl;
}

} // namespace

// A delete run journals every file with what makes it the same file again, and restore makes
// each one anew exactly so, once: a second restore finds them already there.
TEST(Restore, DeleteThenRestoreGivesBackEveryFileAsItWas) {
    TempTree tree, io, state;
    const std::vector<std::string> names = {"a", "sub/b\nline", "sub/c\xff", "sub/deep/d"};
    for (const auto& name : names)
        tree.File(name);
    tree.Chmod("a", 02640);
    const timespec times[2] = {{1234567890, 123456789}, {-99999999999, 5}};
    ASSERT_EQ(::utimensat(AT_FDCWD, tree.Path("sub/c\xff").c_str(), times, 0), 0);
    ::setxattr(tree.Path("a").c_str(), "user.origin", "x\0y", 3, 0);
    const std::string acl = aclGrantingUser1234();
    const bool withAcl = ::setxattr(tree.Path("sub/b\nline").c_str(), "system.posix_acl_access",
                                    acl.data(), acl.size(), 0) == 0;
    if (!withAcl) std::cerr << "no access lists here: " << std::strerror(errno) << "\n";
    std::map<std::string, std::string> before;
    for (const auto& name : names)
        before[name] = statText(tree.Path(name));

    const ProgramRun deleted =
        runProgram(io, state.Root(), {"scan", "-q", "--delete", tree.Root()});
    ASSERT_EQ(deleted.status, 0) << deleted.err;
    EXPECT_NE(deleted.err.find("deleted 4 files"), std::string::npos) << deleted.err;
    const std::string folder = state.Path("nullsweep/deleted");
    const std::string journal = LatestJournal(folder);
    ASSERT_FALSE(journal.empty());
    EXPECT_NE(deleted.err.find("journal " + journal), std::string::npos) << deleted.err;
    struct stat st {};
    ASSERT_EQ(::stat(journal.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    for (const auto& name : names)
        ASSERT_EQ(statText(tree.Path(name)), "missing") << name;

    const ProgramRun restored = runProgram(io, state.Root(), {"restore"});
    EXPECT_EQ(restored.status, 0) << restored.err;
    EXPECT_NE(restored.err.find("restored 4 files; 0 already there; 0 failed"), std::string::npos)
        << restored.err;
    for (const auto& name : names)
        EXPECT_EQ(statText(tree.Path(name)), before[name]) << name;

    const ProgramRun again = runProgram(io, state.Root(), {"restore", journal});
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_NE(again.err.find("restored 0 files; 4 already there"), std::string::npos) << again.err;
}

// Restore makes only what is missing: a place taken now is left, a folder swapped for a link is
// not followed, a missing folder is made only when asked, and an owner that may not be given is
// said, not silently dropped.
TEST(Restore, NeverReplacesFollowsLinksOrClaimsWhatItCouldNotDo) {
    TempTree tree, elsewhere;
    tree.Folder("taken");
    tree.Folder("linked");
    tree.Folder("gone");
    std::vector<JournalRecord> records;
    for (const char* name : {"taken/f", "linked/f", "gone/sub/f"}) {
        JournalRecord r;
        r.path = tree.Path(name);
        r.mode = 0644;
        r.owner = ::geteuid();
        r.group = ::getegid();
        records.push_back(r);
    }
    tree.File("taken/f", "data");
    ASSERT_EQ(::rmdir(tree.Path("linked").c_str()), 0);
    tree.Link("linked", elsewhere.Root());
    std::vector<std::string> problems;
    RestoreOptions options;
    options.onProblem = [&](const std::string& path, const std::string&) {
        problems.push_back(path);
    };
    RestoreCount count = RestoreRecords(records, options);
    EXPECT_EQ(count.restored, 0u);
    EXPECT_EQ(count.failed, 3u);
    EXPECT_EQ(ReadFile(tree.Path("taken/f")), "data");
    EXPECT_FALSE(std::filesystem::exists(elsewhere.Path("f")));
    EXPECT_FALSE(std::filesystem::exists(tree.Path("gone/sub")));

    options.parents = true;
    options.dryRun = true;
    count = RestoreRecords({records[2]}, options);
    EXPECT_EQ(count.restored, 1u);
    EXPECT_FALSE(std::filesystem::exists(tree.Path("gone/sub")));
    options.dryRun = false;
    count = RestoreRecords({records[2]}, options);
    EXPECT_EQ(count.restored, 1u);
    EXPECT_TRUE(std::filesystem::is_regular_file(tree.Path("gone/sub/f")));

    // Without root, a file of another owner cannot be made: it stands, and the refusal is said.
    tree.Chmod("gone", 0777);
    JournalRecord rootOwned = records[2];
    rootOwned.path = tree.Path("gone/r");
    rootOwned.owner = 0;
    rootOwned.group = 0;
    const std::string result = RunWithoutRoot([&] {
        std::string why;
        RestoreOptions asUser;
        asUser.onProblem = [&](const std::string&, const std::string& w) { why = w; };
        const RestoreCount c = RestoreRecords({rootOwned}, asUser);
        return std::to_string(c.failed) + " " + why;
    });
    EXPECT_EQ(result.substr(0, 2), "1 ") << result;
    EXPECT_NE(result.find("owner 0"), std::string::npos) << result;
}

// A file is made as its record says whatever the place would give a new file: a mask that
// takes bits away, a folder that hands its group down. Several files of one mode per folder.
TEST(Restore, ModeAndGroupAreTheRecordsNotThePlaces) {
    TempTree tree;
    tree.Folder("masked");
    tree.Folder("shared");
    ASSERT_EQ(::chown(tree.Path("shared").c_str(), ::geteuid(), ::getegid() + 1234), 0);
    tree.Chmod("shared", 02777);
    std::vector<JournalRecord> records;
    for (const char* name : {"masked/a", "masked/b", "shared/a", "shared/b"}) {
        JournalRecord r;
        r.path = tree.Path(name);
        r.mode = 0664;
        r.owner = ::geteuid();
        r.group = ::getegid();
        r.written = {1000000000, 0};
        records.push_back(r);
    }
    const mode_t mask = ::umask(077);
    const RestoreCount count = RestoreRecords(records, {});
    ::umask(mask);
    EXPECT_EQ(count.restored, 4u);
    for (const JournalRecord& r : records) {
        struct stat st {};
        ASSERT_EQ(::lstat(r.path.c_str(), &st), 0) << r.path;
        EXPECT_EQ(st.st_mode & 07777, 0664u) << r.path;
        EXPECT_EQ(st.st_gid, ::getegid()) << r.path;
        EXPECT_EQ(st.st_mtim.tv_sec, 1000000000) << r.path;
    }
}

// A run killed in the middle keeps the record of every file it had already deleted.
TEST(Restore, AKilledDeleteRunKeepsTheRecordOfEveryFileGone) {
    TempTree tree, io, state;
    constexpr int Files = 10000;
    for (int folder = 0; folder < 10; ++folder) {
        tree.Folder("d" + std::to_string(folder));
        for (int i = 0; i < Files / 10; ++i)
            std::ofstream(tree.Path("d" + std::to_string(folder) + "/f" + std::to_string(i)));
    }
    pid_t pid = 0;
    runProgram(io, state.Root(), {"scan", "-q", "-s", "none", "--delete", tree.Root()}, false,
               &pid);
    const std::string folder = state.Path("nullsweep/deleted");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    // Records go in batches, each synced before its files go: the kill lands once the first
    // files are gone, some way into the run.
    auto started = [&] {
        for (const char* d : {"d0", "d1"})
            if (std::distance(std::filesystem::directory_iterator(tree.Path(d)), {}) < Files / 10)
                return true;
        return false;
    };
    while (!started() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);

    const std::vector<JournalRecord> records = ReadJournal(LatestJournal(folder), {});
    std::set<std::string> journalled;
    for (const auto& r : records)
        journalled.insert(r.path);
    std::size_t gone = 0;
    for (int folder = 0; folder < 10; ++folder)
        for (int i = 0; i < Files / 10; ++i) {
            const std::string path =
                tree.Path("d" + std::to_string(folder) + "/f" + std::to_string(i));
            if (std::filesystem::exists(std::filesystem::symlink_status(path))) continue;
            ++gone;
            EXPECT_TRUE(journalled.count(path)) << path << " is gone without its record";
        }
    EXPECT_GT(gone, 0u);
    EXPECT_LE(gone, journalled.size());
}

// Folders a delete emptied go bottom up, with their records, and come back first on restore;
// the FOLDER, a folder still holding data and one that gets a new file meanwhile stay.
TEST(Restore, EmptiedFoldersGoBottomUpAndComeBackBeforeTheirFiles) {
    TempTree tree, io, state, lone;
    lone.File("only");
    tree.File("x/y/f1");
    tree.File("x/y/f2");
    tree.File("p/q/f3");
    tree.File("p/data", "data");
    tree.File("busy/f4");
    tree.Chmod("x/y", 0750);
    tree.SetTimes("x/y", 1000000000);
    std::atomic<bool> stop = false;
    std::vector<std::string> made;
    std::thread racer([&] {
        for (int i = 0; !stop; ++i) {
            const std::string path = tree.Path("busy/new" + std::to_string(i));
            if (std::ofstream(path)) made.push_back(path);
        }
    });
    const ProgramRun run = runProgram(io, state.Root(),
                                      {"scan", "-q", "--delete", "--remove-emptied-folders",
                                       "--exclude", "new*", tree.Root(), lone.Root()});
    stop = true;
    racer.join();
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("removed 3 emptied folders"), std::string::npos) << run.err;
    for (const char* gone : {"x", "p/q"})
        EXPECT_FALSE(std::filesystem::exists(tree.Path(gone))) << gone;
    EXPECT_EQ(ReadFile(tree.Path("p/data")), "data");
    EXPECT_TRUE(std::filesystem::is_directory(lone.Root()));
    for (const std::string& path : made)
        EXPECT_TRUE(std::filesystem::exists(path)) << path;

    const ProgramRun restored = runProgram(io, state.Root(), {"restore"});
    EXPECT_EQ(restored.status, 0) << restored.err;
    // Only what the run removed is in its journal: a folder that stayed is not "already there".
    EXPECT_NE(restored.err.find("; 0 already there;"), std::string::npos) << restored.err;
    for (const char* back : {"x/y/f1", "x/y/f2", "p/q/f3"})
        EXPECT_TRUE(std::filesystem::is_regular_file(tree.Path(back))) << back;
    // Its access time is the walk's own; mode and modification time are as they were.
    struct stat y {};
    ASSERT_EQ(::stat(tree.Path("x/y").c_str(), &y), 0);
    EXPECT_EQ(y.st_mode & 07777, 0750u);
    EXPECT_EQ(y.st_mtim.tv_sec, 1000000000);
}
