// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "export/ExportOutput.h"

#include <chrono>
#include <functional>
#include <string_view>

namespace nullsweep {

// Writes listed paths as they are found (the paths format in walk order): gathered in blocks,
// but never held back longer than a moment, so that a reader sees the first paths while the
// walk goes on. `push` hands what was written on to the reader (a flush of the stream).
class PathStream {
  public:
    PathStream(ByteSink& sink, bool nullTerminated, std::function<void()> push = {});

    void Add(std::string_view path);
    // Passes on everything added so far.
    void Flush();

  private:
    OutBuffer out_;
    const char end_;
    std::function<void()> push_;
    std::chrono::steady_clock::time_point due_;
};

} // namespace nullsweep
