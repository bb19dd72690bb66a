// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/RestoreCommand.h"

#include "cli/MessageText.h"
#include "scan/RestoreJournal.h"

#include <getopt.h>

#include <stdexcept>
#include <vector>

namespace nullsweep {

std::string RestoreUsage() {
    return "Usage: nullsweep restore [--dry-run] [--parents] [JOURNAL...]\n"
           "Recreate the empty files (and folders) a delete run removed, as its journal\n"
           "recorded them: mode, owner where permitted, extended attributes and times.\n"
           "Without JOURNAL, the latest run of this user (in $XDG_STATE_HOME/nullsweep/deleted,\n"
           "by default ~/.local/state/nullsweep/deleted). A place where anything stands now\n"
           "is left as it is.\n"
           "\n"
           "      --dry-run         list what would be restored, change nothing\n"
           "      --parents         make missing folders on the way\n"
           "  -h, --help            show this help\n"
           "\n"
           "Exit status: 0 every file restored or already there; 1 a file could not be\n"
           "restored or a journal could not be read; 2 bad usage.\n";
}

int RunRestoreCommand(int argc, char** argv, std::FILE* out, std::FILE* err) {
    enum { OptDryRun = 256, OptParents };
    static const option longOptions[] = {
        {"dry-run", no_argument, nullptr, OptDryRun},
        {"parents", no_argument, nullptr, OptParents},
        {"help", no_argument, nullptr, 'h'},
        {nullptr, 0, nullptr, 0},
    };
    RestoreOptions options;
    optind = 0;
    opterr = 0;
    for (int c; (c = getopt_long(argc, argv, "h", longOptions, nullptr)) != -1;) {
        if (c == OptDryRun) {
            options.dryRun = true;
        } else if (c == OptParents) {
            options.parents = true;
        } else if (c == 'h') {
            std::fputs(RestoreUsage().c_str(), out);
            return 0;
        } else {
            std::fprintf(err, "nullsweep: unknown option %s\nTry 'nullsweep restore --help'.\n",
                         EscapeControls(argv[optind - 1]).c_str());
            return 2;
        }
    }
    std::vector<std::string> journals(argv + optind, argv + argc);
    if (journals.empty()) {
        const std::string folder = JournalFolder();
        const std::string latest = LatestJournal(folder);
        if (latest.empty()) {
            std::fprintf(err, "nullsweep: no delete journal in %s\n",
                         folder.empty() ? "$XDG_STATE_HOME or $HOME"
                                        : EscapeControls(folder).c_str());
            return 1;
        }
        journals.push_back(latest);
    }
    options.onRestored = [&](const std::string& path) { std::fprintf(out, "%s\n", path.c_str()); };
    options.onProblem = [&](const std::string& path, const std::string& why) {
        std::fprintf(err, "nullsweep: cannot restore %s: %s\n", EscapeControls(path).c_str(),
                     EscapeControls(why).c_str());
    };
    RestoreCount total;
    bool unreadable = false;
    for (const std::string& journal : journals) {
        try {
            const std::vector<JournalRecord> records = ReadJournal(journal, [&](std::size_t line) {
                std::fprintf(err, "nullsweep: %s:%zu: not a journal record\n",
                             EscapeControls(journal).c_str(), line);
                unreadable = true;
            });
            const RestoreCount count = RestoreRecords(records, options);
            total.restored += count.restored;
            total.already += count.already;
            total.failed += count.failed;
        } catch (const std::exception& e) {
            std::fprintf(err, "nullsweep: %s\n", EscapeControls(e.what()).c_str());
            unreadable = true;
        }
    }
    std::fflush(out);
    std::fprintf(err, "nullsweep: %s %zu file%s; %zu already there; %zu failed\n",
                 options.dryRun ? "would restore" : "restored", total.restored,
                 total.restored == 1 ? "" : "s", total.already, total.failed);
    return total.failed > 0 || unreadable ? 1 : 0;
}

} // namespace nullsweep
