// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan/RemoveRows.h"
#include "rows/GridRows.h"
#include "scan/DeleteJournal.h"
#include "scan/DeleteRecorder.h"
#include "scan/ExactDelete.h"
#include "scan/FilesInUse.h"
#include "scan/KeptFiles.h"
#include "scan/Scan.h"
#include "support/TempTree.h"
#include "support/TestRows.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

using namespace nullsweep;
using nullsweep::test::ReadFile;
using nullsweep::test::RunInChild;
using nullsweep::test::TempTree;

namespace {

bool exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

struct Scanned {
    TVirtualStringTree grid;
    std::vector<const TResultRow*> rows;
    explicit Scanned(const std::string& folder) {
        ScanOptions options;
        options.threads = 1;
        ScanFolder(grid, folder, options);
        for (PVirtualNode n = grid.GetFirst(); n; n = grid.GetNext(n))
            rows.push_back(&RowOf(n));
    }
};

// Each row's path, outcome and reason.
struct Outcome {
    DeleteOutcome outcome;
    std::string reason;
};
std::map<std::string, Outcome> removeAll(const Scanned& s, RemoveMode mode = RemoveMode::Delete,
                                         UserTrash* trash = nullptr) {
    std::map<std::string, Outcome> outcomes;
    RemoveCallbacks callbacks;
    callbacks.onRow = [&](std::size_t i, DeleteOutcome o, const std::string& reason) {
        outcomes[std::string(s.rows[i]->Path())] = {o, reason};
    };
    RemoveRows(s.rows, mode, false, trash, callbacks);
    return outcomes;
}

// Another process that has `open` open, and `locked` locked, until this goes.
class Holder {
  public:
    explicit Holder(const std::vector<std::string>& open, const std::string& locked = {}) {
        if (::pipe(ready_) != 0 || ::pipe(release_) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            bool ok = true;
            for (const std::string& path : open)
                ok = ::open(path.c_str(), O_RDONLY) >= 0 && ok;
            if (!locked.empty()) {
                const int fd = ::open(locked.c_str(), O_RDONLY);
                ok = fd >= 0 && ::flock(fd, LOCK_EX) == 0 && ok;
            }
            char c = ok ? '1' : '0';
            (void)!::write(ready_[1], &c, 1);
            (void)!::read(release_[0], &c, 1);
            ::_exit(0);
        }
        char c = 0;
        holding_ = pid_ > 0 && ::read(ready_[0], &c, 1) == 1 && c == '1';
    }
    ~Holder() {
        (void)!::write(release_[1], "x", 1);
        if (pid_ > 0) ::waitpid(pid_, nullptr, 0);
        for (const int fd : {ready_[0], ready_[1], release_[0], release_[1]})
            if (fd >= 0) ::close(fd);
    }
    Holder(const Holder&) = delete;
    Holder& operator=(const Holder&) = delete;
    pid_t Pid() const { return pid_; }
    bool Holding() const { return holding_; }

  private:
    int ready_[2] = {-1, -1}, release_[2] = {-1, -1};
    pid_t pid_ = -1;
    bool holding_ = false;
};

} // namespace

// A racer exchanges the names of each listed empty file and a file with data as fast as it
// can while the file is deleted (or moved to the trash): the data file must always survive.
TEST(RemoveRows, ANameExchangedAtTheLastMomentNeverCostsData) {
    constexpr int Trials = 2000;
    for (const RemoveMode mode : {RemoveMode::Delete, RemoveMode::Trash}) {
        SCOPED_TRACE(mode == RemoveMode::Trash ? "trash" : "delete");
        TempTree t;
        // A folder a trial, done in order on one thread; the racer moves on to the next folder
        // as each row is done, and so is at work at some moment of each removal.
        auto path = [&](int i, const char* file) {
            char folder[16];
            std::snprintf(folder, sizeof folder, "p%05d/", i);
            return t.Path(folder + std::string(file));
        };
        for (int i = 0; i < Trials; ++i)
            t.File(path(i, "listed").substr(t.Root().size() + 1));
        Scanned listed(t.Root());
        ASSERT_EQ(listed.rows.size(), std::size_t(Trials));
        for (int i = 0; i < Trials; ++i)
            t.File(path(i, "data").substr(t.Root().size() + 1), "data");
        std::atomic<int> target{0};
        std::atomic<bool> stop{false};
        std::thread racer([&] {
            while (!stop) {
                const int i = target;
                ::renameat2(AT_FDCWD, path(i, "listed").c_str(), AT_FDCWD, path(i, "data").c_str(),
                            RENAME_EXCHANGE);
            }
        });
        UserTrash trash(t.Path("share/Trash"));
        RemoveCallbacks callbacks;
        callbacks.onRow = [&](std::size_t i, DeleteOutcome, const std::string&) {
            target = int(i) + 1 < Trials ? int(i) + 1 : int(i);
        };
        const RemoveCount count = RemoveRows(listed.rows, mode, false, &trash, callbacks, 1);
        stop = true;
        racer.join();
        int lost = 0;
        for (int i = 0; i < Trials; ++i)
            lost += ReadFile(path(i, "data")) != "data" && ReadFile(path(i, "listed")) != "data";
        EXPECT_EQ(lost, 0);
        if (mode == RemoveMode::Trash && exists(t.Path("share/Trash/files"))) {
            for (const auto& entry :
                 std::filesystem::directory_iterator(t.Path("share/Trash/files"))) {
                EXPECT_EQ(entry.file_size(), 0u) << entry.path();
            }
        }
        std::printf("%zu of %d were changed at the last moment\n", count.changed, Trials);
    }
}

// A folder larger than a helper thread's share is split among the threads once the small
// folders are done: every file is taken exactly once, into the trash under a name and info
// file of its own, or deleted.
TEST(RemoveRows, AFolderSharedAmongThreadsHasEachFileDoneOnce) {
    constexpr std::size_t Files = 9000;
    for (const RemoveMode mode : {RemoveMode::Delete, RemoveMode::Trash}) {
        SCOPED_TRACE(mode == RemoveMode::Trash ? "trash" : "delete");
        TempTree t;
        for (std::size_t i = 0; i < Files; ++i)
            t.File((i < 30 ? "root/small/f" : "root/large/f") + std::to_string(i));
        Scanned s(t.Path("root"));
        ASSERT_EQ(s.rows.size(), Files);
        UserTrash trash(t.Path("share/Trash"));
        const RemoveCount count = RemoveRows(s.rows, mode, false, &trash, {}, 2);
        EXPECT_EQ(count.removed, Files);
        EXPECT_EQ(count.changed + count.failed + count.kept, 0u);
        for (const char* folder : {"root/small", "root/large"})
            EXPECT_EQ(std::distance(std::filesystem::directory_iterator(t.Path(folder)), {}), 0);
        if (mode == RemoveMode::Trash) {
            for (const char* sub : {"share/Trash/files", "share/Trash/info"}) {
                const auto entries = std::distance(std::filesystem::directory_iterator(t.Path(sub)),
                                                   std::filesystem::directory_iterator());
                EXPECT_EQ(std::size_t(entries), Files) << sub;
            }
        }
    }
}

// A big folder's files are moved in the order the folder lists them, whatever the order of the
// rows; rows whose files went or changed since the scan are still each answered once.
TEST(RemoveRows, ABigFolderIsTakenInTheOrderItListsItsFiles) {
    TempTree t;
    for (int i = 0; i < 600; ++i)
        t.File("root/f" + std::to_string(i));
    Scanned s(t.Path("root"));
    ASSERT_EQ(s.rows.size(), 600u);
    for (const char* gone : {"root/f7", "root/f300", "root/f599"})
        ASSERT_EQ(::unlink(t.Path(gone).c_str()), 0);
    t.File("root/f42", "data");
    std::vector<std::string> listed;
    for (const auto& entry : std::filesystem::directory_iterator(t.Path("root")))
        if (entry.path().filename() != "f42") listed.push_back(entry.path().filename());
    std::map<std::string, const TResultRow*> rowOf;
    for (const TResultRow* row : s.rows)
        rowOf[std::string(row->Path())] = row;
    // The rows shuffled, the gone and changed ones among them.
    std::vector<const TResultRow*> rows;
    for (const std::string& name : listed)
        rows.push_back(rowOf.at(t.Path("root/" + name)));
    for (const char* other : {"root/f7", "root/f300", "root/f599", "root/f42"})
        rows.push_back(rowOf.at(t.Path(other)));
    std::shuffle(rows.begin(), rows.end(), std::mt19937(25));
    std::vector<std::string> moved;
    detail::SetBeforeMoveHook([&](int, const std::string& name) { moved.push_back(name); });
    std::vector<int> answers(rows.size());
    RemoveCallbacks callbacks;
    callbacks.onRow = [&](std::size_t i, DeleteOutcome, const std::string&) { ++answers[i]; };
    const RemoveCount count = RemoveRows(rows, RemoveMode::Delete, false, nullptr, callbacks, 1);
    detail::SetBeforeMoveHook({});
    EXPECT_EQ(moved, listed);
    EXPECT_EQ(count.removed, 596u);
    EXPECT_EQ(count.changed, 4u);
    EXPECT_EQ(std::count(answers.begin(), answers.end(), 1), std::ptrdiff_t(rows.size()));
    EXPECT_EQ(ReadFile(t.Path("root/f42")), "data");
}

// Big folders are put in their listing order side by side, each one whole.
TEST(RemoveRows, BigFoldersAreEachTakenInTheirListingOrderOnHelpers) {
    TempTree t;
    std::map<char, std::vector<std::string>> listed;
    for (const char folder : {'a', 'b', 'c'}) {
        for (int i = 0; i < 300; ++i)
            t.File(std::string("root/") + folder + "/" + folder + std::to_string(i));
        for (const auto& entry :
             std::filesystem::directory_iterator(t.Path(std::string("root/") + folder)))
            listed[folder].push_back(entry.path().filename());
    }
    Scanned s(t.Path("root"));
    std::vector<const TResultRow*> rows(s.rows.rbegin(), s.rows.rend());
    std::mutex mutex;
    std::map<char, std::vector<std::string>> moved;
    detail::SetBeforeMoveHook([&](int, const std::string& name) {
        const std::lock_guard lock(mutex);
        moved[name[0]].push_back(name);
    });
    const RemoveCount count = RemoveRows(rows, RemoveMode::Delete, false, nullptr, {}, 2);
    detail::SetBeforeMoveHook({});
    EXPECT_EQ(count.removed, 900u);
    EXPECT_EQ(moved, listed);
}

// The same exchange made exactly between the last check and the move, every time.
TEST(RemoveRows, AFileSwappedInJustBeforeTheMoveIsPutBack) {
    for (const RemoveMode mode : {RemoveMode::Delete, RemoveMode::Trash}) {
        SCOPED_TRACE(mode == RemoveMode::Trash ? "trash" : "delete");
        TempTree t;
        t.File("root/listed");
        Scanned s(t.Path("root"));
        t.File("root/data", "data");
        detail::SetBeforeMoveHook([](int folder, const std::string& name) {
            ::renameat2(folder, name.c_str(), folder, "data", RENAME_EXCHANGE);
        });
        UserTrash trash(t.Path("share/Trash"));
        std::map<std::string, Outcome> outcomes;
        RemoveCallbacks callbacks;
        callbacks.onRow = [&](std::size_t, DeleteOutcome o, const std::string& reason) {
            outcomes["listed"] = {o, reason};
        };
        RemoveRows(s.rows, mode, false, &trash, callbacks);
        detail::SetBeforeMoveHook({});
        EXPECT_EQ(outcomes["listed"].outcome, DeleteOutcome::Changed);
        EXPECT_EQ(ReadFile(t.Path("root/listed")), "data");
        EXPECT_TRUE(exists(t.Path("root/data")));
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(t.Path("root")), {}), 2);
        if (mode == RemoveMode::Trash) {
            EXPECT_EQ(
                std::distance(std::filesystem::directory_iterator(t.Path("share/Trash/files")), {}),
                0);
            EXPECT_EQ(
                std::distance(std::filesystem::directory_iterator(t.Path("share/Trash/info")), {}),
                0);
        }
    }
}

// The same place, the same inode number perhaps, but not the file that was listed.
TEST(RemoveRows, AFileMadeAgainTouchedChmoddedOrLinkedIsLeft) {
    TempTree t;
    for (const char* name : {"again", "touched", "chmodded", "linked", "same"})
        t.File(std::string("root/") + name);
    Scanned s(t.Path("root"));
    ASSERT_EQ(::unlink(t.Path("root/again").c_str()), 0);
    t.File("root/again");
    ASSERT_EQ(::utimensat(AT_FDCWD, t.Path("root/touched").c_str(), nullptr, 0), 0);
    ASSERT_EQ(::chmod(t.Path("root/chmodded").c_str(), 0600), 0);
    ASSERT_EQ(::link(t.Path("root/linked").c_str(), t.Path("elsewhere").c_str()), 0);
    const auto outcomes = removeAll(s);
    for (const char* name : {"again", "touched", "chmodded", "linked"}) {
        EXPECT_EQ(outcomes.at(t.Path(std::string("root/") + name)).outcome, DeleteOutcome::Changed)
            << name;
        EXPECT_TRUE(exists(t.Path(std::string("root/") + name))) << name;
    }
    EXPECT_EQ(outcomes.at(t.Path("root/same")).outcome, DeleteOutcome::Deleted);
    EXPECT_FALSE(exists(t.Path("root/same")));
    // No private name is left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(t.Path("root")), {}), 4);
}

// Deletes start from the scanned folder held open: no /proc, no path resolved again. A row
// without an identity is never deleted.
TEST(RemoveRows, WithoutProcAFolderSwappedForALinkStillLeadsNowhere) {
    TempTree t;
    t.File("root/a/inner");
    t.File("root/b/stays");
    t.File("other/inner");
    const std::string got = RunInChild([&] {
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("none", "/proc", "tmpfs", 0, nullptr) != 0)
            return std::string("skip");
        Scanned s(t.Path("root"));
        std::rename(t.Path("root/a").c_str(), t.Path("root/a.moved").c_str());
        t.Link("root/a", "../other");
        const auto outcomes = removeAll(s);
        std::string text;
        for (const auto& [path, o] : outcomes)
            text += path.substr(t.Root().size()) + " " + std::to_string(int(o.outcome)) + "\n";
        return text;
    });
    if (got == "skip") GTEST_SKIP() << "no private mount namespace here";
    EXPECT_EQ(got, "/root/a/inner " + std::to_string(int(DeleteOutcome::Changed)) +
                       "\n/root/b/stays " + std::to_string(int(DeleteOutcome::Deleted)) + "\n");
    EXPECT_TRUE(exists(t.Path("other/inner")));
    EXPECT_FALSE(exists(t.Path("root/b/stays")));

    const TResultRow made = test::FileRow(t.Path("other/inner"));
    const TResultRow* const rows[] = {&made};
    std::string reason;
    const RemoveCount count =
        RemoveRows(rows, RemoveMode::Delete, true, nullptr,
                   {[&](std::size_t, DeleteOutcome, const std::string& r) { reason = r; },
                    {},
                    {},
                    {},
                    {},
                    {}});
    EXPECT_EQ(count.failed, 1u);
    EXPECT_EQ(reason, "no identity recorded by a scan");
    EXPECT_TRUE(exists(t.Path("other/inner")));
}

// A lock held by a running program, or a file it has open, is left with the holder's name;
// the lock is found in /proc/locks even where the holder's descriptors cannot be looked at.
TEST(RemoveRows, FilesInUseAreLeftNamingTheirHolder) {
    TempTree t;
    t.File("root/locked");
    t.File("root/open");
    t.File("root/free");
    ASSERT_EQ(::chmod(t.Path("root").c_str(), 0777), 0);
    Scanned s(t.Path("root"));
    const Holder holding({t.Path("root/open")}, t.Path("root/locked"));
    ASSERT_TRUE(holding.Holding());
    const pid_t holder = holding.Pid();
    // A scan now already lists them as kept.
    const Scanned again(t.Path("root"));
    for (const TResultRow* row : again.rows) {
        EXPECT_EQ(KeptReasonOf(*row).starts_with("Kept: in use by " + std::to_string(holder)),
                  !row->Path().ends_with("/free"))
            << row->Path();
    }
    const auto outcomes = removeAll(s);
    // As another user, who may not look at the holder's descriptors: only the lock shows.
    const std::string asNobody = RunInChild([&] {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) return std::string("skip");
        std::string text;
        for (const TResultRow* row : s.rows) {
            if (!row->Path().ends_with("/locked")) continue;
            const TResultRow* const one[] = {row};
            RemoveRows(one, RemoveMode::Delete, false, nullptr,
                       {[&](std::size_t, DeleteOutcome o, const std::string& reason) {
                            text = reason + "|" + std::to_string(int(o));
                        },
                        {},
                        {},
                        {},
                        {},
                        {}});
        }
        return text;
    });
    const std::string expected = "in use by " + std::to_string(holder) + " (";
    for (const char* file : {"root/locked", "root/open"}) {
        EXPECT_EQ(outcomes.at(t.Path(file)).outcome, DeleteOutcome::Kept) << file;
        EXPECT_TRUE(outcomes.at(t.Path(file)).reason.starts_with(expected))
            << outcomes.at(t.Path(file)).reason;
        EXPECT_TRUE(exists(t.Path(file)));
    }
    EXPECT_EQ(outcomes.at(t.Path("root/free")).outcome, DeleteOutcome::Deleted);
    if (asNobody != "skip") {
        EXPECT_TRUE(asNobody.starts_with(expected) &&
                    asNobody.ends_with("|" + std::to_string(int(DeleteOutcome::Kept))))
            << asNobody;
    }
}

// A file opened while a big batch of its folder is being moved is left: what is in use is
// looked at again during the moves, not only before them.
TEST(RemoveRows, AFileOpenedWhileItsBatchIsMovedIsLeft) {
    TempTree t;
    std::vector<std::string> last; // the file of each folder moved last
    for (const std::string folder : {"root/a", "root/b"}) {
        for (int i = 0; i < 1100; ++i)
            t.File(folder + "/f" + std::to_string(i));
        std::string name;
        for (const auto& entry : std::filesystem::directory_iterator(t.Path(folder)))
            name = entry.path();
        last.push_back(name);
    }
    Scanned s(t.Path("root"));
    std::optional<Holder> holder;
    std::once_flag opened;
    detail::SetBeforeMoveHook([&](int, const std::string&) {
        std::call_once(opened, [&] {
            holder.emplace(last);
            // Long enough for the next look at /proc to be due: a share of the work.
            FilesInUse probe;
            const auto start = std::chrono::steady_clock::now();
            probe.Read();
            std::this_thread::sleep_for((std::chrono::steady_clock::now() - start) * 50 +
                                        std::chrono::milliseconds(100));
        });
    });
    const auto outcomes = removeAll(s);
    detail::SetBeforeMoveHook({});
    ASSERT_TRUE(holder && holder->Holding());
    std::size_t deleted = 0;
    for (const auto& [path, outcome] : outcomes)
        deleted += outcome.outcome == DeleteOutcome::Deleted;
    EXPECT_EQ(deleted, 2198u);
    for (const std::string& path : last) {
        EXPECT_EQ(outcomes.at(path).outcome, DeleteOutcome::Kept) << path;
        EXPECT_TRUE(exists(path)) << path;
    }
}

// One folder of a few thousand files is still done side by side.
TEST(RemoveRows, OneFolderIsSharedByTheThreads) {
    TempTree t;
    for (int i = 0; i < 5000; ++i)
        t.File("root/f" + std::to_string(i));
    Scanned s(t.Path("root"));
    std::mutex mutex;
    std::set<std::thread::id> movers;
    detail::SetBeforeMoveHook([&](int, const std::string&) {
        const std::lock_guard lock(mutex);
        movers.insert(std::this_thread::get_id());
    });
    const RemoveCount count = RemoveRows(s.rows, RemoveMode::Delete, false, nullptr, {}, 2);
    detail::SetBeforeMoveHook({});
    EXPECT_EQ(count.removed, 5000u);
    EXPECT_EQ(movers.size(), 2u);
}

// A cancel takes effect within a batch: the files not yet moved stay, unanswered.
TEST(RemoveRows, ACancelStopsHelpersWithinTheirBatch) {
    TempTree t;
    for (const std::string folder : {"root/a", "root/b"})
        for (int i = 0; i < 1100; ++i)
            t.File(folder + "/f" + std::to_string(i));
    Scanned s(t.Path("root"));
    std::atomic<bool> moving{false};
    detail::SetBeforeMoveHook([&](int, const std::string&) {
        if (!moving.exchange(true)) std::this_thread::sleep_for(std::chrono::milliseconds(300));
    });
    std::vector<int> answers(s.rows.size());
    RemoveCallbacks callbacks;
    callbacks.onRow = [&](std::size_t i, DeleteOutcome, const std::string&) { ++answers[i]; };
    callbacks.cancelled = [&] { return moving.load(); };
    const RemoveCount count = RemoveRows(s.rows, RemoveMode::Delete, false, nullptr, callbacks, 2);
    detail::SetBeforeMoveHook({});
    EXPECT_GT(count.removed, 0u);
    EXPECT_LT(count.removed, s.rows.size());
    for (std::size_t i = 0; i < s.rows.size(); ++i) {
        ASSERT_LE(answers[i], 1);
        EXPECT_EQ(exists(std::string(s.rows[i]->Path())), answers[i] == 0);
    }
}

// A journalled file's record is on disk (synced, not only written) before the file leaves its
// name, on the calling thread and on helper threads alike.
TEST(RemoveRows, EachRecordIsSyncedBeforeItsFileIsMoved) {
    for (const unsigned threads : {1u, 2u}) {
        SCOPED_TRACE(threads);
        TempTree t;
        for (int i = 0; i < 300; ++i)
            t.File("root/d" + std::to_string(i % 3) + "/f" + std::to_string(i));
        Scanned s(t.Path("root"));
        DeleteJournal journal(t.Path("state"));
        DeleteRecorder recorder(&journal, nullptr);
        RemoveCallbacks callbacks;
        recorder.Attach(callbacks);
        std::atomic<std::size_t> moves{0}, unsynced{0};
        detail::SetBeforeMoveHook([&](int, const std::string&) {
            if (journal.SyncedCount() <= moves++) ++unsynced;
        });
        const RemoveCount count =
            RemoveRows(s.rows, RemoveMode::Delete, false, nullptr, callbacks, threads);
        detail::SetBeforeMoveHook({});
        EXPECT_EQ(count.removed, 300u);
        EXPECT_EQ(unsynced, 0u);
    }
}
