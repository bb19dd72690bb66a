// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/ScanCommand.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "scan") == 0)
        return nullsweep::RunScanCommand(argc - 1, argv + 1, stdout, stderr);
    std::fputs("nullsweep: the window is not built yet; use 'nullsweep scan FOLDER...'\n", stderr);
    return 2;
}
