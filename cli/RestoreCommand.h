// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdio>
#include <string>

namespace nullsweep {

// `nullsweep restore [--dry-run] [--parents] [JOURNAL...]`: argv[0] is "restore". Writes each
// restored path to `out`, problems and the summary to `err`; returns the exit status (0 all
// restored or already there, 1 anything could not be restored, 2 bad usage).
int RunRestoreCommand(int argc, char** argv, std::FILE* out, std::FILE* err);

std::string RestoreUsage();

} // namespace nullsweep
