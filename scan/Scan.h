// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "scan/KeptFiles.h"
#include "scan/ResultRow.h"

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace nullsweep {

// What a scan has seen so far, for a progress line.
struct ScanProgress {
    std::uint64_t folders = 0;
    std::uint64_t files = 0;
    std::uint64_t rows = 0;
    unsigned threads = 1; // that list folders, the calling thread included
};

// A walk that stopped before it saw everything (no memory): its rows are not the whole list.
class WalkStopped : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct ScanOptions {
    // Called now and then during the walk (every few thousand entries).
    std::function<void(const ScanProgress&)> onProgress;
    // Called with the full path (as it would be listed) and the errno of each folder or entry
    // that cannot be read; the walk goes on with the rest.
    std::function<void(const std::string& path, int error)> onError;
    bool oneFileSystem = false;        // do not enter folders on another device than the root
    std::vector<std::string> excludes; // fnmatch patterns; a matching file or folder is skipped
    // Threads that list folders at once; 0: DefaultScanThreads(). The rows come out in the
    // same order whatever the number.
    unsigned threads = 0;
    // Decides which empty files are kept (listed unchecked); null: the built-in list alone.
    KeptFiles* kept = nullptr;
};

// Receives the rows of a walk, one at a time, in walk order.
using RowSink = std::function<void(TResultRow&& row)>;

// Walks `folder` and every folder below it, depth-first in listing order, and hands `sink` one
// row per regular file of length 0 (its kept reason set when it is kept). Symbolic links are
// neither followed nor listed, pseudo file systems (proc, sysfs, ...) are not entered, and a
// folder or entry that fails is skipped and passed to `onError`. No recursion and a bounded
// number of open folders, whatever the depth. The sink and the callbacks run on the calling
// thread; the other threads only list folders, as many as start (down to none). An exception
// from the sink ends the walk and is passed on; anything else that ends it early is thrown as
// WalkStopped, naming the folder and the reason.
void WalkFolder(std::string folder, const ScanOptions& options, const RowSink& sink);

// The number of listing threads a walk uses unless told.
unsigned DefaultScanThreads();

// The extension of a path without its dot: what follows the last "." when no "/" comes after
// it, else empty.
std::string_view FileExtOf(std::string_view path);

// True for the file systems whose files report length 0 while holding data (f_type of statfs).
bool IsPseudoFileSystem(long fsType);

} // namespace nullsweep
