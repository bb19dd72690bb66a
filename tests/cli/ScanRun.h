// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/ScanCommand.h"

#include <cstdio>
#include <string>
#include <vector>

namespace nullsweep::test {

// What one `nullsweep scan` run gave.
struct ScanRun {
    int status;
    std::string out;
    std::string err;
};

// Everything written to a temporary stream, which is closed.
inline std::string Slurp(std::FILE* f) {
    std::rewind(f);
    std::string text;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        text.append(buffer, n);
    std::fclose(f);
    return text;
}

// Runs `nullsweep scan ARGS` in this process.
inline ScanRun RunScan(std::vector<std::string> args) {
    args.insert(args.begin(), "scan");
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    const int status = RunScanCommand(int(args.size()), argv.data(), out, err);
    return {status, Slurp(out), Slurp(err)};
}

} // namespace nullsweep::test
