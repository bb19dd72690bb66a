// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/ScanArguments.h"

#include "export/ExportFormats.h"
#include "scan/FieldNames.h"

#include <getopt.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string_view>

namespace nullsweep {

namespace {
// The field names, quoted and wrapped to the width of the rest of the help.
std::string fieldList() {
    std::string list;
    std::size_t lineLength = 16;
    for (std::size_t i = 0; i < FieldNames.size(); ++i) {
        std::string item(1, '"');
        item.append(FieldNames[i]).push_back('"');
        if (i + 1 < FieldNames.size()) item.push_back(',');
        if (lineLength + 1 + item.size() > 80) {
            list += "\n ";
            lineLength = 1;
        } else {
            list += ' ';
            ++lineLength;
        }
        list += item;
        lineLength += item.size();
    }
    return list;
}

// A thread count given on the command line, 0 when it is none.
unsigned threadCount(const char* text) {
    unsigned value = 0;
    const char* end = text + std::strlen(text);
    const auto [rest, error] = std::from_chars(text, end, value);
    return error == std::errc() && rest == end && value <= 1024 ? value : 0;
}
} // namespace

std::string ScanUsage() {
    return "Usage: nullsweep scan [OPTIONS] FOLDER...\n"
           "       nullsweep scan [OPTIONS] --files-from FILE\n"
           "Scan each FOLDER and every folder below it and list every empty file.\n"
           "\n"
           "  -f, --format FORMAT   paths: one full path a line (default); text, csv,\n"
           "                        html, xml, xlsx: the rows as the window exports them;\n"
           "                        json: JSON Lines (path, path_b64 for a name that is\n"
           "                        not UTF-8, size, UTC times as 2026-12-08T06:12:53Z,\n"
           "                        null outside the years 0001-9999, kept reason)\n"
           "  -o, --output FILE     write FILE instead of standard output (\"-\"); a file is\n"
           "                        replaced only once complete, keeping its mode; a\n"
           "                        device, FIFO or socket is written, never replaced; a\n"
           "                        link is followed; xlsx needs a FILE; refused: another\n"
           "                        user's file in a sticky folder that all may write, or\n"
           "                        one reached through another user's link there\n"
           "  -0, --null            paths format only: end each path with NUL, not a line\n"
           "                        feed; with --files-from, wherever it stands, the\n"
           "                        list's paths are read NUL-ended (any format)\n"
           "  -s, --sort FIELD      sort by a field, e.g. \"File Size\", as a header click does;\n"
           "                        default \"File Name\"; none: keep the walk order\n"
           "  -d, --descending      sort descending\n"
           "  -x, --one-file-system\n"
           "                        do not enter folders on another file system than FOLDER\n"
           "      --exclude GLOB    skip files and folders whose name matches GLOB\n"
           "                        (repeatable; an excluded folder is not entered)\n"
           "      --delete          after writing the list, delete each listed file that is\n"
           "                        still the empty file listed (anything else is left)\n"
           "      --trash           as --delete, but move each file to the user's trash\n"
           "      --include-kept    with --delete or --trash, also remove kept files (those\n"
           "                        meant to be empty: __init__.py, .gitkeep, tracked by git)\n"
           "      --keep GLOB       treat files whose name matches GLOB as kept (repeatable);\n"
           "                        a GLOB with a \"/\" matches the path below FOLDER, \"*\"\n"
           "                        within one name (\"logs/*.lock\", \"*/run/pid\")\n"
           "      --no-journal      with --delete, keep no journal of the deleted files\n"
           "                        (by default each run writes one, for nullsweep restore)\n"
           "      --remove-emptied-folders\n"
           "                        with --delete, then remove each folder the delete left\n"
           "                        empty, bottom up (never a FOLDER, nor a kept folder)\n"
           "      --files-from FILE take the files from FILE (\"-\": standard input), one path\n"
           "                        a line (NUL-ended with -0), instead of walking\n"
           "                        FOLDERs; each is checked now; a line holding a NUL\n"
           "                        is refused\n"
           "      --config FILE     read the columns from FILE, not from the program's folder\n"
           "  -q, --quiet           no progress line on standard error (what cannot be\n"
           "                        read is still said)\n"
           "  -j, --threads N       list folders with N threads at once (default: as the\n"
           "                        machine suits); the order stays that of one thread\n"
           "  -h, --help            show this help\n"
           "      --version         show the version\n"
           "\n"
           "FIELD is one of:" +
           fieldList() +
           ".\n"
           "\n"
           "Each --delete run records every file it deletes, before the delete is final, in\n"
           "a journal in $XDG_STATE_HOME/nullsweep/deleted (by default\n"
           "~/.local/state/nullsweep/deleted; runs older than 30 days are removed);\n"
           "\"nullsweep restore\" recreates the files of the latest run (see\n"
           "\"nullsweep restore --help\").\n"
           "\n"
           "Each folder or file that cannot be read is one line on standard error,\n"
           "\"nullsweep: cannot read PATH: REASON\"; the rest is still listed and acted on.\n"
           "A walk or a list that stops early (no memory) is one line; then nothing is\n"
           "deleted or trashed.\n"
           "\n"
           "A file time before the year 1 or after 9999 is shown as the nearest time that\n"
           "can be shown, and sorted by its real value. Control characters in names in\n"
           "messages on standard error are shown escaped (\\x1b, \\n); the list itself is\n"
           "written byte for byte.\n"
           "\n"
           "Exit status: 0 done; 1 a FOLDER is missing, no folder or on a pseudo file system\n"
           "(/proc, /sys: not scanned), a folder or file could not be read, the walk or list\n"
           "stopped early, or the output cannot be written; 2 bad usage or a configuration\n"
           "that cannot be read (or is larger than 4 MiB).\n";
}

ParseResult ParseScanArguments(int argc, char** argv) {
    enum {
        OptVersion = 256,
        OptConfig,
        OptDelete,
        OptExclude,
        OptTrash,
        OptKeep,
        OptIncludeKept,
        OptFilesFrom,
        OptNoJournal,
        OptRemoveEmptied
    };
    static const option longOptions[] = {
        {"format", required_argument, nullptr, 'f'},
        {"null", no_argument, nullptr, '0'},
        {"output", required_argument, nullptr, 'o'},
        {"sort", required_argument, nullptr, 's'},
        {"config", required_argument, nullptr, OptConfig},
        {"descending", no_argument, nullptr, 'd'},
        {"delete", no_argument, nullptr, OptDelete},
        {"one-file-system", no_argument, nullptr, 'x'},
        {"threads", required_argument, nullptr, 'j'},
        {"exclude", required_argument, nullptr, OptExclude},
        {"trash", no_argument, nullptr, OptTrash},
        {"keep", required_argument, nullptr, OptKeep},
        {"include-kept", no_argument, nullptr, OptIncludeKept},
        {"files-from", required_argument, nullptr, OptFilesFrom},
        {"no-journal", no_argument, nullptr, OptNoJournal},
        {"remove-emptied-folders", no_argument, nullptr, OptRemoveEmptied},
        {"quiet", no_argument, nullptr, 'q'},
        {"help", no_argument, nullptr, 'h'},
        {"version", no_argument, nullptr, OptVersion},
        {nullptr, 0, nullptr, 0},
    };
    ParseResult result;
    ScanArguments& a = result.arguments;
    optind = 0; // start afresh on every call
    opterr = 0;
    int c;
    while ((c = getopt_long(argc, argv, ":f:o:0s:dj:xqh", longOptions, nullptr)) != -1) {
        switch (c) {
        case 'f':
            a.format = optarg;
            break;
        case '0':
            a.nullTerminated = true;
            break;
        case 'o':
            // An empty name is no file, and standard output is "-": refused, not guessed.
            if (!*optarg) {
                result.error = "-o/--output needs a file name (\"-\": standard output)";
                return result;
            }
            a.output = std::string_view(optarg) == "-" ? "" : optarg;
            break;
        case 's':
            a.sortField = optarg;
            break;
        case 'd':
            a.descending = true;
            break;
        case OptConfig:
            a.configFile = optarg;
            break;
        case 'q':
            a.quiet = true;
            break;
        case OptDelete:
            a.deleteListed = true;
            break;
        case 'x':
            a.oneFileSystem = true;
            break;
        case 'j':
            a.threads = threadCount(optarg);
            if (a.threads == 0) {
                result.error = "-j/--threads needs a whole number from 1 to 1024, not \"" +
                               std::string(optarg) + "\"";
                return result;
            }
            break;
        case OptExclude:
            a.excludes.emplace_back(optarg);
            break;
        case OptTrash:
            a.trashListed = true;
            break;
        case OptKeep:
            a.keepPatterns.emplace_back(optarg);
            break;
        case OptIncludeKept:
            a.includeKept = true;
            break;
        case OptFilesFrom:
            a.filesFrom = optarg;
            break;
        case OptNoJournal:
            a.journal = false;
            break;
        case OptRemoveEmptied:
            a.removeEmptiedFolders = true;
            break;
        case 'h':
            a.help = true;
            break;
        case OptVersion:
            a.version = true;
            break;
        case ':':
            result.error = "option " + std::string(argv[optind - 1]) + " needs a value";
            return result;
        default:
            result.error =
                "unknown option " + (optopt && optopt < 256 ? std::string("-") + char(optopt)
                                                            : std::string(argv[optind - 1]));
            return result;
        }
    }
    for (int i = optind; i < argc; ++i)
        a.folders.emplace_back(argv[i]);
    a.filesFromNulEnded = a.nullTerminated && !a.filesFrom.empty(); // wherever -0 stands
    if (a.help || a.version) return result;
    if (!FindExportFormat(a.format))
        result.error = "unknown format \"" + a.format + "\" (one of " + ExportFormatNames() + ")";
    else if (a.nullTerminated && a.format != "paths" && a.filesFrom.empty())
        result.error = "-0/--null goes with the paths format only";
    else if (a.format == "xlsx" && a.output.empty())
        result.error = "the xlsx format needs -o FILE";
    else if (a.sortField != "none" &&
             std::find(FieldNames.begin(), FieldNames.end(), a.sortField) == FieldNames.end())
        result.error = "unknown sort field \"" + a.sortField + "\"";
    else if (a.removeEmptiedFolders && !a.deleteListed)
        result.error = "--remove-emptied-folders goes with --delete";
    else if (a.deleteListed && a.trashListed)
        result.error = "--delete and --trash exclude each other";
    else if (a.folders.empty() && a.filesFrom.empty())
        result.error = "no FOLDER given";
    else if (!a.folders.empty() && !a.filesFrom.empty())
        result.error = "FOLDER and --files-from exclude each other";
    return result;
}

} // namespace nullsweep
