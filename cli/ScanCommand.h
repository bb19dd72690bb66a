// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdio>

namespace nullsweep {

// `nullsweep scan`: argv[0] is "scan". Writes the list to `out` and messages to `err`;
// returns the exit status (0 done, 1 a folder or the output failed, 2 bad usage or a
// configuration that cannot be read).
int RunScanCommand(int argc, char** argv, std::FILE* out, std::FILE* err);

} // namespace nullsweep
