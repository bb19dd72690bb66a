// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the built program as a user would and checks what it prints, writes and deletes.
#include "ScanRun.h"
#include "Version.h"
#include "cli/ScanCommand.h"
#include "support/TempTree.h"
#include "support/WorkbookReader.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sched.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

extern char** environ;

using namespace nullsweep;
using nullsweep::test::TempTree;
using namespace nullsweep::test;

namespace {

bool exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

class Program {
  public:
    Program() {
        // Each run reads the same configuration, kept out of the program's own folder.
        std::ofstream(config_.Path("config.xml")) << ReadFile(NULLSWEEP_DEFAULT_CONFIG);
    }
    std::string ConfigPath() const { return config_.Path("config.xml"); }

    // Runs `nullsweep scan ARGS` with the default configuration unless ARGS name one.
    ScanRun Scan(std::vector<std::string> args, bool withConfig = true) {
        args.insert(args.begin(), "scan");
        if (withConfig) {
            args.insert(args.begin() + 1, ConfigPath());
            args.insert(args.begin() + 1, "--config");
        }
        return Run(args);
    }

    ScanRun Run(std::vector<std::string> args) {
        args.insert(args.begin(), NULLSWEEP_BINARY);
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        const std::string out = io_.Path("out"), err = io_.Path("err");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, input.c_str(), O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        pid_t pid = 0;
        const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        EXPECT_EQ(spawned, 0);
        int status = 0;
        ::waitpid(pid, &status, 0);
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(out), ReadFile(err)};
    }

    // The same with standard output a pipe: `afterFirstRead` runs once the first bytes came, while
    // the program still waits to write the rest of a long list. `out` stays empty.
    ScanRun ScanPiped(std::vector<std::string> args, const std::function<void()>& afterFirstRead) {
        args.insert(args.begin(), {NULLSWEEP_BINARY, "scan", "--config", ConfigPath()});
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        int fds[2];
        EXPECT_EQ(::pipe2(fds, O_CLOEXEC), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        const std::string err = io_.Path("err");
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        pid_t pid = 0;
        EXPECT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        char buffer[4096];
        bool first = true;
        while (::read(fds[0], buffer, sizeof buffer) > 0)
            if (std::exchange(first, false)) afterFirstRead();
        ::close(fds[0]);
        int status = 0;
        ::waitpid(pid, &status, 0);
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, {}, ReadFile(err)};
    }

    std::string input = "/dev/null"; // standard input of Run and Scan

  private:
    TempTree config_;
    TempTree io_;
};

// What Python prints running `script` (written beside `file`) on `file`; "exit N: ..." when it
// fails.
std::string runPython(const std::string& script, const std::string& file) {
    const std::string scriptPath = file + ".py";
    std::ofstream(scriptPath) << script;
    std::FILE* pipe = ::popen(("python3 '" + scriptPath + "' '" + file + "'").c_str(), "r");
    if (!pipe) return "no python";
    std::string printed;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        printed.append(buffer, n);
    const int status = ::pclose(pipe);
    return status == 0 ? printed : "exit " + std::to_string(status) + ": " + printed;
}

// Runs `work` in a child with a tmpfs of its own at `folder`, where time stamps of any size
// stand; "skip" where the machine does not allow that.
std::string onTmpfs(const std::string& folder, const std::function<std::string()>& work) {
    return RunInChild([&]() -> std::string {
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tmpfs", folder.c_str(), "tmpfs", 0, nullptr) != 0)
            return "skip";
        return work();
    });
}

int lines(const std::string& text) {
    return int(std::count(text.begin(), text.end(), '\n'));
}

} // namespace

TEST(Binary, EveryFormatGivesTheWritersBytesAndNothingOnStandardError) {
    Program program;
    TempTree t;
    t.File("a/x.txt");
    t.File("a/b/y, \"quoted\" <b>");
    t.File("z.tar.gz");
    t.File("full", "data");
    for (const std::string format : {"paths", "text", "csv", "html", "xml"}) {
        const ScanRun run = program.Scan({"-f", format, t.Root()});
        ASSERT_EQ(run.status, 0) << format << ": " << run.err;
        EXPECT_EQ(run.err, "") << format;
        const ScanRun here = RunScan({"--config", program.ConfigPath(), "-f", format, t.Root()});
        EXPECT_EQ(run.out, here.out) << format;
        EXPECT_EQ(run.out.find(t.Path("full")), std::string::npos) << format;
    }
}

TEST(Binary, SortOrdersAndNulTerminatedNames) {
    Program program;
    TempTree t;
    t.File("b");
    t.File("A");
    t.File("c\nd");
    const ScanRun byName = program.Scan({"-q", t.Root()});
    EXPECT_EQ(byName.out, t.Path("A") + "\n" + t.Path("b") + "\n" + t.Path("c\nd") + "\n");
    const ScanRun down =
        program.Scan({"-q", "-0", "--sort", "Full Path", "--descending", t.Root()});
    EXPECT_EQ(down.out, t.Path("c\nd") + '\0' + t.Path("b") + '\0' + t.Path("A") + '\0');
    // Equal sizes compare as "less" both ways, so a descending sort by "File Size" reverses
    // the walk order it starts from.
    const ScanRun bySize = program.Scan({"-q", "-0", "-s", "File Size", "-d", t.Root()});
    const ScanRun none = program.Scan({"-q", "-0", "--sort", "none", t.Root()});
    auto items = [](const std::string& text) {
        std::vector<std::string> out;
        std::istringstream in(text);
        for (std::string item; std::getline(in, item, '\0');)
            out.push_back(item);
        return out;
    };
    auto walk = items(none.out);
    ASSERT_EQ(walk.size(), 3u);
    std::reverse(walk.begin(), walk.end());
    EXPECT_EQ(items(bySize.out), walk);
}

TEST(Binary, DeleteRemovesExactlyTheListedFiles) {
    Program program;
    TempTree t;
    t.File("keep/data", "x");
    t.File("keep/deep/er/empty");
    t.File(".hidden-empty");
    t.File("two");
    t.Link("link-to-two", "two");
    t.Fifo("fifo");
    t.Folder("empty-folder");
    const ScanRun run = program.Scan({"-q", "--delete", "--no-journal", t.Root()});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(lines(run.out), 3);
    EXPECT_EQ(run.err, "nullsweep scan: deleted 3 files; 0 kept; 0 changed; 0 failed\n");
    for (const char* gone : {"keep/deep/er/empty", ".hidden-empty", "two"})
        EXPECT_FALSE(exists(t.Path(gone))) << gone;
    for (const char* kept : {"keep/data", "keep/deep/er", "link-to-two", "fifo", "empty-folder"})
        EXPECT_TRUE(exists(t.Path(kept))) << kept;
}

TEST(Binary, DeleteNeverFollowsAFolderSwappedForALinkAfterListing) {
    Program program;
    TempTree t;
    // A list far longer than a pipe holds, so the swap comes before the deletes.
    const std::string padding(100, 'n');
    for (int i = 0; i < 2000; ++i) {
        t.File("root/a/" + padding + std::to_string(i));
        t.File("outside/" + padding + std::to_string(i));
    }
    const ScanRun run = program.ScanPiped({"-q", "--delete", t.Root() + "/root"}, [&] {
        ASSERT_EQ(::rename(t.Path("root/a").c_str(), t.Path("root/a.moved").c_str()), 0);
        t.Link("root/a", "../outside");
    });
    // Each file left is one line saying why, and the run is not a success.
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(lines(run.err), 2001);
    EXPECT_TRUE(
        run.err.ends_with("nullsweep scan: deleted 0 files; 0 kept; 2000 changed; 0 failed\n"));
    EXPECT_NE(run.err.find("nullsweep scan: left " + t.Path("root/a/" + padding + "0") +
                           ": a folder on its path was replaced since the scan\n"),
              std::string::npos);
    for (int i = 0; i < 2000; i += 499) {
        EXPECT_TRUE(exists(t.Path("outside/" + padding + std::to_string(i)))) << i;
        EXPECT_TRUE(exists(t.Path("root/a.moved/" + padding + std::to_string(i)))) << i;
    }
}

TEST(Binary, DeleteAfterAFailedListDeletesNothing) {
    Program program;
    TempTree t;
    t.File("e");
    const ScanRun run =
        program.Scan({"-q", "--delete", "-o", t.Path("no/such/folder/list"), t.Root()});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(exists(t.Path("e")));
    EXPECT_EQ(lines(run.err), 1) << run.err;
}

TEST(Binary, ErrorsNameTheCauseWithTheirStatus) {
    Program program;
    TempTree t;
    t.File("e");
    t.File("file", "x");
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string message;
    };
    const std::vector<Case> cases{
        {{"--bogus", t.Root()}, 2, "unknown option --bogus"},
        {{"-f", "pdf", t.Root()}, 2, "pdf"},
        {{"-s", "Size", t.Root()}, 2, "Size"},
        {{"-q", t.Path("missing"), t.Root()}, 1, t.Path("missing") + ": No such file or directory"},
        {{"-q", t.Path("file"), t.Root()}, 1, t.Path("file") + ": not a folder"},
        {{"-q", "-o", "/proc/nullsweep-list", t.Root()}, 1, "/proc/nullsweep-list"},
        {{"-q", "-o", "/dev/full", t.Root()}, 1, "cannot write /dev/full: No space left"},
        {{"-q", "-f", "xlsx", "-o", "/dev/full", t.Root()}, 1, "cannot write /dev/full: No space"},
        {{"-q", "-f", "xlsx", "-o", "-", t.Root()}, 2, "xlsx"},
        {{"-q", "/proc", t.Root()}, 1, "/proc: on a pseudo file system, not scanned"},
        {{"-q", "/sys/kernel"}, 1, "/sys/kernel: on a pseudo file system, not scanned"},
        {{"-q", "/dev/pts"}, 1, "/dev/pts: on a pseudo file system, not scanned"},
    };
    for (const Case& c : cases) {
        const ScanRun run = program.Scan(c.args);
        EXPECT_EQ(run.status, c.status) << c.message;
        EXPECT_EQ(lines(run.err), 1) << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    }
    // "-" is standard output, not a file of that name.
    EXPECT_EQ(program.Scan({"-q", "-o", "-", t.Root()}).out, t.Path("e") + "\n");
    EXPECT_FALSE(exists("-"));
    // The folders that exist are still listed after one that does not.
    EXPECT_EQ(program.Scan({"-q", t.Path("missing"), t.Root()}).out, t.Path("e") + "\n");

    TempTree bad;
    bad.File("bad.xml", "<config><nodes><node Name=\"x\" Width=\"wide\"/></nodes></config>");
    const ScanRun badConfig = program.Run({"scan", "--config", bad.Path("bad.xml"), t.Root()});
    EXPECT_EQ(badConfig.status, 2);
    EXPECT_NE(badConfig.err.find(bad.Path("bad.xml")), std::string::npos) << badConfig.err;
    EXPECT_EQ(program.Run({"scan", "--config", bad.Path("none.xml"), t.Root()}).status, 2);
    // Refused by its size before it is read, however sound the document in it.
    bad.File("big.xml",
             ReadFile(program.ConfigPath()) + "<!--" + std::string(5 << 20, ' ') + "-->");
    const ScanRun big = program.Run({"scan", "--config", bad.Path("big.xml"), t.Root()});
    EXPECT_EQ(big.status, 2);
    EXPECT_EQ(big.err, "nullsweep scan: " + bad.Path("big.xml") +
                           ": cannot read: larger than a configuration may be (4 MiB)\n");
}

TEST(Binary, ConfigurationThatHidesAColumn) {
    Program program;
    std::string config = ReadFile(program.ConfigPath());
    const auto at = config.find("Name=\"File Size\"");
    ASSERT_NE(at, std::string::npos);
    const auto visible = config.find("Visible=\"True\"", at);
    config.replace(visible, 14, "Visible=\"False\"");
    TempTree t;
    t.File("e");
    t.File("hidden.xml", config);
    const ScanRun shown = program.Scan({"-q", "-f", "csv", t.Root()});
    const ScanRun hidden =
        program.Run({"scan", "-q", "--config", t.Path("hidden.xml"), "-f", "csv", t.Root()});
    EXPECT_NE(shown.out.find("File Size,"), std::string::npos) << shown.out;
    EXPECT_EQ(hidden.out.find("File Size"), std::string::npos) << hidden.out;
    EXPECT_NE(hidden.out.find("Write Time"), std::string::npos) << hidden.out;
}

TEST(Binary, HelpAndVersion) {
    Program program;
    const ScanRun help = program.Run({"scan", "--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* option : {"--format", "--output", "--null", "--sort", "--descending",
                               "--delete", "--config", "--quiet", "--version", "\"SizeRange\""})
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
    const ScanRun version = program.Run({"scan", "--version"});
    EXPECT_EQ(version.out, "nullsweep " NULLSWEEP_VERSION "\n");
}

TEST(Binary, WithoutAReachableDisplayTheWindowSaysSoInOneLine) {
    Program program;
    struct Saved {
        const char* name;
        std::string value;
        bool set;
    };
    std::vector<Saved> saved;
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        saved.push_back({name, value ? value : "", value != nullptr});
        ::unsetenv(name);
    }
    const ScanRun none = program.Run({});
    // Help and version are the command line's and need no display.
    const ScanRun scanHelp = program.Run({"scan", "--help"});
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--help"}, {"-h"}, {"--version"}}) {
        const ScanRun r = program.Run(args);
        EXPECT_EQ(r.status, 0) << args[0] << r.err;
        EXPECT_EQ(r.out,
                  args[0] == "--version" ? "nullsweep " NULLSWEEP_VERSION "\n" : scanHelp.out)
            << args[0];
    }
    // A display number no server on this machine has claimed (tests share the machine with Xvfb).
    int free = 900;
    while (std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(free)) ||
           std::filesystem::exists("/tmp/.X" + std::to_string(free) + "-lock"))
        ++free;
    const std::string number = std::to_string(free);
    const std::string display = ":" + number;
    ::setenv("DISPLAY", display.c_str(), 1);
    const ScanRun unreachable = program.Run({});
    for (const Saved& s : saved)
        s.set ? ::setenv(s.name, s.value.c_str(), 1) : ::unsetenv(s.name);
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(lines(none.err), 1) << none.err;
    EXPECT_NE(none.err.find("no display"), std::string::npos) << none.err;
    EXPECT_EQ(unreachable.status, 1);
    EXPECT_EQ(lines(unreachable.err), 1) << unreachable.err;
    EXPECT_NE(unreachable.err.find(display), std::string::npos) << unreachable.err;
}

TEST(Binary, JsonLinesReadBackWithExactNamesUtcTimesAndKeptReasons) {
    Program program;
    TempTree t;
    const std::string odd = "bad\x81name\x1f", newline = "two\nlines";
    t.File(odd);
    t.File(newline);
    t.File("pkg/__init__.py");
    for (const std::string& name : {odd, newline, std::string("pkg/__init__.py")})
        t.SetTimes(name, 1000000000);
    // The list must not depend on the zone the program runs in.
    const char* zone = std::getenv("TZ");
    const std::string oldZone = zone ? zone : "";
    ::setenv("TZ", "America/New_York", 1);
    const ScanRun run = program.Scan({"-q", "-f", "json", "-o", t.Path("list.json"), t.Root()});
    zone ? ::setenv("TZ", oldZone.c_str(), 1) : ::unsetenv("TZ");
    ASSERT_EQ(run.status, 0) << run.err;
    // Each line read by Python's json module: the exact name bytes in hex, then the values.
    const std::string script =
        "import base64, json, sys\n"
        "for line in open(sys.argv[1], 'rb').read().decode('utf-8').split('\\n')[:-1]:\n"
        "    o = json.loads(line)\n"
        "    raw = base64.b64decode(o['path_b64']) if 'path_b64' in o else o['path'].encode()\n"
        "    print(raw.hex(), list(o)[:2], o['size'], o['created'] is not None, o['written'],\n"
        "          o['accessed'], o['kept'])\n";
    const std::string seen = runPython(script, t.Path("list.json"));
    auto hex = [](const std::string& text) {
        static const char digits[] = "0123456789abcdef";
        std::string out;
        for (unsigned char c : text)
            out += {digits[c >> 4], digits[c & 15]};
        return out;
    };
    const std::string time = "2001-09-09T01:46:40Z";
    // Sorted by file name as the window sorts: "_" after the letters.
    EXPECT_EQ(seen, hex(t.Path(odd)) + " ['path', 'path_b64'] 0 True " + time + " " + time +
                        " None\n" + hex(t.Path(newline)) + " ['path', 'size'] 0 True " + time +
                        " " + time + " None\n" + hex(t.Path("pkg/__init__.py")) +
                        " ['path', 'size'] 0 True " + time + " " + time +
                        " Kept: marks a Python package\n");
}

TEST(Binary, FilesFromStandardInput) {
    Program program;
    TempTree t;
    t.File("e");
    t.File("full", "x");
    t.File("list", t.Path("full") + "\n" + t.Path("e") + "\n");
    program.input = t.Path("list");
    const ScanRun run = program.Scan({"-q", "--files-from", "-"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, t.Path("e") + "\n");
}

TEST(Binary, AFullDiskIsOneLineAndLeavesNothing) {
    Program program;
    TempTree t;
    for (int i = 0; i < 300; ++i)
        t.File("tree/empty" + std::to_string(i));
    t.Folder("out");
    for (const std::string format : {"csv", "xlsx"}) {
        // A file size limit fails the writes as a full disk does.
        const std::string command =
            "trap '' XFSZ; ulimit -f 4; exec " NULLSWEEP_BINARY " scan -q --config '" +
            program.ConfigPath() + "' -f " + format + " -o '" + t.Path("out/list") + "' '" +
            t.Path("tree") + "' 2>'" + t.Path("err") + "'";
        const int status = std::system(("sh -c \"" + command + "\"").c_str());
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << format << " " << status;
        const std::string err = ReadFile(t.Path("err"));
        EXPECT_EQ(err, "nullsweep scan: cannot write " + t.Path("out/list") + ": File too large\n")
            << format;
        EXPECT_TRUE(std::filesystem::is_empty(t.Path("out"))) << format;
    }
}

TEST(Binary, WorkbookTextsThatLookLikeEscapesReadBackAsWritten) {
    Program program;
    TempTree t;
    t.File("tree/a_x0041_b");
    const ScanRun run =
        program.Scan({"-q", "-f", "xlsx", "-o", t.Path("list.xlsx"), t.Path("tree")});
    ASSERT_EQ(run.status, 0) << run.err;
    // The sheet's own XML, as every reader sees it: "_x0041_" there would mean "A".
    const std::string script = "import sys, zipfile\n"
                               "z = zipfile.ZipFile(sys.argv[1])\n"
                               "print(''.join(z.read(n).decode() for n in z.namelist()\n"
                               "              if n.startswith('xl/worksheets/') or\n"
                               "              n == 'xl/sharedStrings.xml'))\n";
    const std::string xml = runPython(script, t.Path("list.xlsx"));
    EXPECT_NE(xml.find("a_x005F_x0041_b"), std::string::npos) << xml;
    EXPECT_EQ(xml.find("a_x0041_b"), std::string::npos) << xml;
}

TEST(Binary, FilesWithExtremeTimesAreListedInEveryFormatInTheOrderOfTheirRealTimes) {
    Program program;
    TempTree t;
    t.Folder("tree");
    const std::vector<std::string> names{"late", "early", "old", "now"};
    const std::string got = onTmpfs(t.Path("tree"), [&] {
        const long long stamps[] = {1LL << 62, -(1LL << 62), -99999999999LL, 1700000000};
        for (std::size_t i = 0; i < names.size(); ++i) {
            t.File("tree/" + names[i]);
            t.SetTimes("tree/" + names[i], stamps[i]);
        }
        std::string seen;
        for (const std::string format : {"paths", "text", "csv", "html", "xml", "json", "xlsx"}) {
            const std::string list = t.Path("list." + format);
            const ScanRun run =
                program.Scan({"-q", "-f", format, "-s", "Write Time", "-o", list, t.Path("tree")});
            std::string out = ReadFile(list);
            if (format == "xlsx" && run.status == 0) {
                const WorkbookReader book(list);
                out.clear();
                for (int row = 3; row <= book.MaxRow(); ++row) // after the title and header
                    out += book.Value("C" + std::to_string(row)) + "\n";
            }
            // The names in the order they stand in the list.
            std::vector<std::pair<std::size_t, std::string>> order;
            for (const std::string& name : names)
                order.emplace_back(out.find(t.Path("tree/" + name)), name);
            std::sort(order.begin(), order.end());
            seen += format + " " + std::to_string(run.status) + ":";
            for (const auto& [at, name] : order)
                seen += " " + (at == std::string::npos ? "(" + name + " missing)" : name);
            seen += "\n";
        }
        return seen;
    });
    if (got == "skip") GTEST_SKIP() << "no private mount namespace with a tmpfs here";
    std::string expected;
    for (const char* format : {"paths", "text", "csv", "html", "xml", "json", "xlsx"})
        expected += std::string(format) + " 0: early old now late\n";
    EXPECT_EQ(got, expected);
}

TEST(Binary, JsonTimesHaveFourDigitYearsAndAreNullOutsideThem) {
    Program program;
    TempTree t;
    t.Folder("tree");
    const std::string got = onTmpfs(t.Path("tree"), [&] {
        const std::vector<std::pair<std::string, long long>> files{{"after", 253402300800},
                                                                   {"before", -62135596801},
                                                                   {"first", -62135596800},
                                                                   {"last", 253402300799}};
        for (const auto& [name, seconds] : files) {
            t.File("tree/" + name);
            t.SetTimes("tree/" + name, seconds);
        }
        const ScanRun run =
            program.Scan({"-q", "-f", "json", "-o", t.Path("list"), t.Path("tree")});
        return std::to_string(run.status) + "\n" +
               runPython("import datetime, json, sys\n"
                         "for line in open(sys.argv[1], encoding='utf-8'):\n"
                         "    o = json.loads(line)\n"
                         "    w = o['written']\n"
                         "    print(o['path'].rsplit('/', 1)[1], o['accessed'] == w,\n"
                         "          w if w is None else datetime.datetime.fromisoformat(w))\n",
                         t.Path("list"));
    });
    if (got == "skip") GTEST_SKIP() << "no private mount namespace with a tmpfs here";
    EXPECT_EQ(got, "0\nafter True None\nbefore True None\nfirst True 0001-01-01 00:00:00+00:00\n"
                   "last True 9999-12-31 23:59:59+00:00\n");
}
