// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/ExportOutput.h"
#include "ExportTestSupport.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>

using namespace nullsweep;
using namespace nullsweep::test;

namespace {

void writeMany(ByteSink& sink, std::size_t blocks) {
    OutBuffer out(sink, 1024);
    for (std::size_t i = 0; i < blocks; ++i) {
        out << std::string(100, 'x') << "\n";
        out.Commit();
    }
    out.Flush();
}

} // namespace

TEST(ReplaceFile, ReplacesTheOldFileAndLeavesNothingElse) {
    TempTree t;
    WriteFile(t.Path("out.txt"), "old content that is longer than the new one");
    ReplaceFile(t.Path("out.txt"), [](ByteSink& sink) {
        sink.Write("new ");
        sink.Write("content");
    });
    EXPECT_EQ(ReadFile(t.Path("out.txt")), "new content");
    EXPECT_EQ(FolderEntries(t.Root()), std::vector<std::string>{"out.txt"});
}

TEST(ReplaceFile, WorksForTheLongestNameAFolderTakes) {
    TempTree t;
    const std::string name = std::string(251, 'n') + ".csv";
    ReplaceFile(t.Path(name), [](ByteSink& sink) { sink.Write("new"); });
    EXPECT_EQ(ReadFile(t.Path(name)), "new");
    EXPECT_EQ(FolderEntries(t.Root()), std::vector<std::string>{name});
}

TEST(ReplaceFile, FailureHalfWayKeepsTheOldFileAndRemovesTheTemporaryOne) {
    TempTree t;
    WriteFile(t.Path("out.csv"), "old");
    EXPECT_THROW(ReplaceFile(t.Path("out.csv"),
                             [](ByteSink& sink) {
                                 writeMany(sink, 100); // some blocks already on disk
                                 throw std::runtime_error("row failed");
                             }),
                 std::runtime_error);
    EXPECT_EQ(ReadFile(t.Path("out.csv")), "old");
    EXPECT_EQ(FolderEntries(t.Root()), std::vector<std::string>{"out.csv"});
}

TEST(ReplaceFile, FullDiskKeepsTheOldFileAndNamesTheFile) {
    TempTree t;
    WriteFile(t.Path("out.htm"), "old");
    // A file size limit makes writes fail as a full disk does, without needing a mount.
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string message;
    try {
        ReplaceFile(t.Path("out.htm"), [](ByteSink& sink) { writeMany(sink, 1000); });
    } catch (const ExportError& e) {
        message = e.what();
    }
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_EQ(message, "cannot write " + t.Path("out.htm") + ": File too large");
    EXPECT_EQ(ReadFile(t.Path("out.htm")), "old");
    EXPECT_EQ(FolderEntries(t.Root()), std::vector<std::string>{"out.htm"});
}

TEST(ReplaceFile, ReadOnlyFolderFailsBeforeAnythingIsTouched) {
    TempTree t;
    t.Folder("locked");
    WriteFile(t.Path("locked/out.txt"), "old");
    t.Chmod("locked/out.txt", 0666);
    t.Chmod("locked", 0555);
    const std::string outcome = RunWithoutRoot([&] {
        try {
            ReplaceFile(t.Path("locked/out.txt"), [](ByteSink& sink) { sink.Write("new"); });
            return std::string("written");
        } catch (const ExportError& e) {
            return std::string(e.what());
        }
    });
    t.Chmod("locked", 0755);
    EXPECT_EQ(outcome, "cannot write " + t.Path("locked/out.txt") + ": Permission denied");
    EXPECT_EQ(ReadFile(t.Path("locked/out.txt")), "old");
    EXPECT_EQ(FolderEntries(t.Path("locked")), std::vector<std::string>{"out.txt"});
}

TEST(ReplaceFile, MissingFolderIsReported) {
    TempTree t;
    EXPECT_THROW(ReplaceFile(t.Path("no/such/out.txt"), [](ByteSink&) {}), ExportError);
}

TEST(StreamSink, LostOutputIsReportedWithTheStreamName) {
    std::FILE* full = std::fopen("/dev/full", "w");
    ASSERT_NE(full, nullptr);
    StreamSink sink(full, "standard output");
    std::string message;
    try {
        writeMany(sink, 10);
        sink.Finish();
    } catch (const ExportError& e) {
        message = e.what();
    }
    std::fclose(full);
    EXPECT_EQ(message, "cannot write standard output: No space left on device");
}

TEST(OutBuffer, PassesTextOnInBlocksAndOnlyWhenAsked) {
    StringSink sink;
    {
        OutBuffer out(sink, 10);
        out << "12345";
        out.Commit();
        EXPECT_EQ(sink.text, "");
        out << "67890"
            << "ab";
        out.Commit();
        EXPECT_EQ(sink.text, "1234567890ab");
        out << "tail";
    }
    EXPECT_EQ(sink.text, "1234567890ab") << "an abandoned buffer must not write its tail";
}
