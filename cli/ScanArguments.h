// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

namespace nullsweep {

// The command line of `nullsweep scan`, parsed. Folders keep the bytes they were given.
struct ScanArguments {
    std::string format = "paths";
    std::string output; // empty: standard output (given as "-")
    bool nullTerminated = false;
    std::string sortField = "File Name"; // a field name, or "none" for the walk order
    bool descending = false;
    bool quiet = false;
    unsigned threads = 0;                  // -j N; 0: as the machine suits
    bool oneFileSystem = false;            // -x
    std::vector<std::string> excludes;     // --exclude GLOB, repeatable
    bool deleteListed = false;             // --delete
    bool trashListed = false;              // --trash
    bool includeKept = false;              // --include-kept
    bool journal = true;                   // off with --no-journal
    bool removeEmptiedFolders = false;     // --remove-emptied-folders
    std::vector<std::string> keepPatterns; // --keep
    std::string configFile;                // empty: the configuration beside the executable
    std::string filesFrom;                 // --files-from FILE ("-": standard input)
    bool filesFromNulEnded = false;        // -0 with --files-from, wherever it stands
    bool help = false;
    bool version = false;
    std::vector<std::string> folders;
};

struct ParseResult {
    ScanArguments arguments;
    std::string error; // non-empty: bad usage, one line
};

// argv[0] is the command word ("scan").
ParseResult ParseScanArguments(int argc, char** argv);

std::string ScanUsage();

} // namespace nullsweep
