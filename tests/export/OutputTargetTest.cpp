// SPDX-License-Identifier: GPL-3.0-or-later
// What an export does to what already stands at its target: devices, FIFOs, sockets, links,
// modes, owners, files the user may not write, and signals in the middle of the writing.
#include "ExportTestSupport.h"
#include "export/ExportOutput.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>

using namespace nullsweep;
using namespace nullsweep::test;

namespace {

std::string outcomeOf(const std::function<void()>& work) {
    try {
        work();
        return "written";
    } catch (const ExportError& e) {
        return e.what();
    }
}

void writeHello(ByteSink& sink) {
    sink.Write("hello");
}

// What can be read at once from `fd`.
std::string readAvailable(int fd) {
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    std::string text;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
        text.append(buffer, std::size_t(n));
    return text;
}

mode_t typeOf(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? st.st_mode & S_IFMT : 0;
}

mode_t modeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// The kernel's fs.protected_symlinks, _regular and _fifos, set to one value while this lives
// and put back after.
class ProtectedSwitches {
  public:
    ~ProtectedSwitches() {
        for (std::size_t i = 0; i < saved_.size(); ++i)
            write(Names[i], saved_[i]);
    }
    // False when they cannot be set here (no root, a read-only /proc/sys).
    bool Set(const std::string& value) {
        if (saved_.empty())
            for (const char* name : Names)
                saved_.push_back(ReadFile(name));
        bool all = true;
        for (const char* name : Names)
            all = write(name, value + "\n") && all;
        return all;
    }

  private:
    static constexpr const char* Names[] = {"/proc/sys/fs/protected_symlinks",
                                            "/proc/sys/fs/protected_regular",
                                            "/proc/sys/fs/protected_fifos"};
    static bool write(const char* name, const std::string& value) {
        std::ofstream out(name);
        out << value;
        out.flush();
        return bool(out);
    }
    std::vector<std::string> saved_;
};

} // namespace

TEST(OutputTarget, FifoSocketAndStandardOutputAreWrittenDirectlyAndStay) {
    TempTree t;
    t.Fifo("fifo");
    // Reader and writer in one: opening it cannot block, and the test reads what came.
    const int reader = ::open(t.Path("fifo").c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    EXPECT_EQ(outcomeOf([&] { ReplaceFile(t.Path("fifo"), writeHello); }), "written");
    EXPECT_EQ(readAvailable(reader), "hello");
    ::close(reader);
    EXPECT_EQ(typeOf(t.Path("fifo")), S_IFIFO);

    const int server = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = t.Path("socket");
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    socketPath.copy(address.sun_path, socketPath.size());
    ASSERT_EQ(::bind(server, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(server, 1), 0);
    EXPECT_EQ(outcomeOf([&] { ReplaceFile(socketPath, writeHello); }), "written");
    const int connection = ::accept(server, nullptr, nullptr);
    ASSERT_GE(connection, 0);
    EXPECT_EQ(readAvailable(connection), "hello");
    ::close(connection);
    ::close(server);
    EXPECT_EQ(typeOf(socketPath), S_IFSOCK);

    // Without root, so that a fault could not replace the machine's own /dev entries.
    EXPECT_EQ(RunWithoutRoot([] {
                  int fds[2];
                  if (::pipe(fds) != 0 || ::dup2(fds[1], 1) < 0) return std::string("no pipe");
                  const std::string outcome =
                      outcomeOf([] { ReplaceFile("/dev/stdout", writeHello); });
                  std::fflush(stdout);
                  return outcome + ", " + readAvailable(fds[0]);
              }),
              "written, hello");
    EXPECT_EQ(typeOf("/dev/stdout"), S_IFLNK);
    EXPECT_EQ(
        RunWithoutRoot([] { return outcomeOf([] { ReplaceFile("/dev/full", writeHello); }); }),
        "cannot write /dev/full: No space left on device");
    EXPECT_EQ(typeOf("/dev/full"), S_IFCHR);
}

TEST(OutputTarget, ADeviceNodeIsWrittenNotReplaced) {
    if (::geteuid() != 0) GTEST_SKIP() << "making a device node needs root";
    TempTree t;
    t.Folder("dev");
    // A private mount namespace and a tmpfs of our own, so a fault replaces nothing real.
    const std::string outcome = RunInChild([&]() -> std::string {
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tmpfs", t.Path("dev").c_str(), "tmpfs", 0, nullptr) != 0 ||
            ::mknod(t.Path("dev/null").c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0)
            return "skip";
        const std::string written = outcomeOf([&] { ReplaceFile(t.Path("dev/null"), writeHello); });
        return written + (typeOf(t.Path("dev/null")) == S_IFCHR ? ", a device" : ", replaced");
    });
    if (outcome == "skip") GTEST_SKIP() << "no private mount namespace or device node here";
    EXPECT_EQ(outcome, "written, a device");
}

TEST(OutputTarget, ALinkIsFollowedAndItsFinalTargetReplaced) {
    TempTree t;
    t.File("data/out.csv", "old");
    t.Folder("links");
    t.Link("links/second", "../data/out.csv");
    t.Link("first", "links/second");
    t.Link("dangling", "data/new.csv");
    ReplaceFile(t.Path("first"), writeHello);
    ReplaceFileAt(t.Path("dangling"),
                  [](const std::string& path) { std::ofstream(path) << "at a path"; });
    EXPECT_EQ(typeOf(t.Path("first")), S_IFLNK);
    EXPECT_EQ(typeOf(t.Path("links/second")), S_IFLNK);
    EXPECT_EQ(typeOf(t.Path("dangling")), S_IFLNK);
    EXPECT_EQ(ReadFile(t.Path("data/out.csv")), "hello");
    EXPECT_EQ(ReadFile(t.Path("data/new.csv")), "at a path");
    EXPECT_EQ(FolderEntries(t.Path("data")), (std::vector<std::string>{"new.csv", "out.csv"}));
}

TEST(OutputTarget, AReplacedFileKeepsItsModeAndOwner) {
    TempTree t;
    t.File("secret.txt", "old");
    t.Chmod("secret.txt", 0600);
    const mode_t oldMask = ::umask(022);
    ReplaceFile(t.Path("secret.txt"), writeHello);
    ReplaceFileAt(t.Path("secret.txt"),
                  [](const std::string& path) { std::ofstream(path) << "x"; });
    ::umask(oldMask);
    struct stat st {};
    ASSERT_EQ(::stat(t.Path("secret.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(ReadFile(t.Path("secret.txt")), "x");
    if (::geteuid() != 0) return;
    t.File("theirs.txt", "old");
    ASSERT_EQ(::chown(t.Path("theirs.txt").c_str(), 65534, 65534), 0);
    ReplaceFile(t.Path("theirs.txt"), writeHello);
    ASSERT_EQ(::stat(t.Path("theirs.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 65534u);
    EXPECT_EQ(st.st_gid, 65534u);
}

TEST(OutputTarget, AFileTheUserMayNotWriteIsRefusedAndLeftAlone) {
    TempTree t;
    t.Folder("open");
    t.File("open/report.txt", "old");
    t.Chmod("open/report.txt", 0444);
    t.Chmod("open", 0777);
    const std::string outcome = RunWithoutRoot(
        [&] { return outcomeOf([&] { ReplaceFile(t.Path("open/report.txt"), writeHello); }); });
    EXPECT_EQ(outcome, "cannot write " + t.Path("open/report.txt") + ": Permission denied");
    EXPECT_EQ(ReadFile(t.Path("open/report.txt")), "old");
    EXPECT_EQ(FolderEntries(t.Path("open")), std::vector<std::string>{"report.txt"});
    struct stat st {};
    ASSERT_EQ(::stat(t.Path("open/report.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, ::geteuid());
}

TEST(OutputTarget, AnInterruptedExportLeavesNoTemporaryFileAndEndsWithTheSignal) {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
        for (const bool atPath : {false, true}) {
            TempTree t;
            t.File("out.csv", "old");
            int ready[2];
            ASSERT_EQ(::pipe(ready), 0);
            const pid_t child = ::fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                // As a program started by an interactive shell: a background job of a script
                // starts with SIGINT ignored.
                ::signal(signal, SIG_DFL);
                // Writes for ever, saying so once the first bytes are in the temporary file.
                auto slowly = [&](auto&& writeBlock) {
                    writeBlock();
                    (void)!::write(ready[1], "x", 1);
                    for (;;) {
                        writeBlock();
                        ::usleep(1000);
                    }
                };
                if (atPath)
                    ReplaceFileAt(t.Path("out.csv"), [&](const std::string& path) {
                        std::ofstream out(path);
                        slowly([&] { out << std::string(4096, 'r') << std::flush; });
                    });
                else
                    ReplaceFile(t.Path("out.csv"), [&](ByteSink& sink) {
                        slowly([&] { sink.Write(std::string(4096, 'r')); });
                    });
                ::_exit(0);
            }
            ::close(ready[1]);
            char c;
            ASSERT_EQ(::read(ready[0], &c, 1), 1);
            ::close(ready[0]);
            ::kill(child, signal);
            int status = 0;
            ::waitpid(child, &status, 0);
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal)
                << "signal " << signal << ", status " << status;
            EXPECT_EQ(FolderEntries(t.Root()), std::vector<std::string>{"out.csv"})
                << "signal " << signal << (atPath ? ", at a path" : ", through a sink");
            EXPECT_EQ(ReadFile(t.Path("out.csv")), "old");
        }
    }
}

TEST(OutputTarget, AnotherUsersFileOrLinkInAStickySharedFolderIsRefusedWhateverTheSwitches) {
    if (::geteuid() != 0) GTEST_SKIP() << "planting another user's files needs root";
    TempTree t;
    t.Chmod("", 0755);
    t.File("victim", "root's");
    t.File("nobodys", "nobody's");
    ASSERT_EQ(::chown(t.Path("nobodys").c_str(), 65534, 65534), 0);
    t.File("pub/theirs", "");
    t.Chmod("pub/theirs", 0666);
    t.Fifo("pub/fifo");
    t.Link("pub/link", "../victim");
    t.Link("pub/daemons", "../nobodys");
    t.Link("pub/mine", "../mine.txt");
    for (const char* planted : {"pub/theirs", "pub/fifo", "pub/link"})
        ASSERT_EQ(::lchown(t.Path(planted).c_str(), 65534, 65534), 0);
    ASSERT_EQ(::lchown(t.Path("pub/daemons").c_str(), 1, 1), 0);
    t.Chmod("pub", 01777);
    auto outcome = [&](const std::string& name) {
        return outcomeOf([&] { ReplaceFile(t.Path(name), writeHello); });
    };
    const std::string link = ": another user's link in a sticky folder that all may write";
    const std::string file = ": another user's file in a sticky folder that all may write";
    ProtectedSwitches switches;
    for (const std::string value : {"", "0", "1"}) {
        if (!value.empty() && !switches.Set(value)) {
            std::printf("fs.protected_* cannot be set here: checked as the machine has them\n");
            break;
        }
        EXPECT_EQ(outcome("pub/link"), "cannot write " + t.Path("pub/link") + link) << value;
        EXPECT_EQ(outcome("pub/theirs"), "cannot write " + t.Path("pub/theirs") + file) << value;
        EXPECT_EQ(outcome("pub/fifo"), "cannot write " + t.Path("pub/fifo") + file) << value;
        EXPECT_EQ(outcome("pub/mine"), "written") << value;
        // The folder's owner (root here) may set links there for everyone.
        EXPECT_EQ(RunWithoutRoot([&] {
                      return outcome("pub/daemons") + ", " + outcome("pub/link") + ", " +
                             outcome("pub/new");
                  }),
                  "cannot write " + t.Path("pub/daemons") + link + ", cannot write " +
                      t.Path("pub/link") + ": Permission denied, written")
            << value;
    }
    EXPECT_EQ(ReadFile(t.Path("victim")), "root's");
    EXPECT_EQ(ReadFile(t.Path("nobodys")), "nobody's");
    EXPECT_EQ(ReadFile(t.Path("pub/theirs")), "");
    EXPECT_EQ(typeOf(t.Path("pub/fifo")), S_IFIFO);
    EXPECT_EQ(typeOf(t.Path("pub/link")), S_IFLNK);
    EXPECT_EQ(ReadFile(t.Path("mine.txt")), "hello");
}

TEST(OutputTarget, TemporaryFilesArePrivateAndNeverInASharedFolderForAnotherTarget) {
    TempTree t;
    t.Folder("shared");
    t.Fifo("fifo");
    const int reader = ::open(t.Path("fifo").c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    const char* tmpdir = std::getenv("TMPDIR");
    const std::string oldTmpdir = tmpdir ? tmpdir : "";
    ::setenv("TMPDIR", t.Path("shared").c_str(), 1);
    const mode_t oldMask = ::umask(0);
    std::vector<std::string> seen;
    for (const std::string target : {"new.xlsx", "fifo"})
        ReplaceFileAt(t.Path(target), [&](const std::string& path) {
            std::ofstream(path) << "book";
            seen.push_back(target + " " + std::to_string(modeOf(path)) + " " +
                           std::to_string(FolderEntries(t.Path("shared")).size()));
        });
    ::umask(oldMask);
    tmpdir ? ::setenv("TMPDIR", oldTmpdir.c_str(), 1) : ::unsetenv("TMPDIR");
    EXPECT_EQ(seen, (std::vector<std::string>{"new.xlsx 384 0", "fifo 384 0"})); // 0600
    EXPECT_EQ(readAvailable(reader), "book");
    ::close(reader);
    // Once complete, a new file has the mode any new file gets.
    EXPECT_EQ(modeOf(t.Path("new.xlsx")), 0666u);
}
