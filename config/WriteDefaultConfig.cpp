// SPDX-License-Identifier: GPL-3.0-or-later
// Build tool: writes the built-in configuration to the file named on the command line, so that
// the install puts the very same bytes beside the program.
#include "config/DefaultConfig.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: write-default-config FILE\n", stderr);
        return 2;
    }
    std::FILE* f = std::fopen(argv[1], "wb");
    const auto& text = nullsweep::DefaultConfigText;
    const bool ok = f && std::fwrite(text.data(), 1, text.size(), f) == text.size();
    if (!f || std::fclose(f) != 0 || !ok) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
