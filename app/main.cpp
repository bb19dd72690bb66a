// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Application.h"
#include "cli/RestoreCommand.h"
#include "cli/ScanCommand.h"

#include <malloc.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    // A walk's listings of big folders are freed long before the list is: from a fixed size up
    // they go straight back to the system instead of holding their pages for the rest of the run.
    ::mallopt(M_MMAP_THRESHOLD, 1 << 20);
    if (argc >= 2 && std::strcmp(argv[1], "scan") == 0)
        return nullsweep::RunScanCommand(argc - 1, argv + 1, stdout, stderr);
    if (argc >= 2 && std::strcmp(argv[1], "restore") == 0)
        return nullsweep::RunRestoreCommand(argc - 1, argv + 1, stdout, stderr);
    // Help and version need no display: they are the command line's own.
    if (argc == 2 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0 ||
                      std::strcmp(argv[1], "--version") == 0))
        return nullsweep::RunScanCommand(argc, argv, stdout, stderr);
    return nullsweep::RunWindow(argc, argv);
}
