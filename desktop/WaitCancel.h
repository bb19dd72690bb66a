// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <stdexcept>

namespace nullsweep {

// The wait window's cancel request, one per process: set by its Cancel button, Escape or a
// close of the main window; cleared when a piece of long work starts. Any thread may read it,
// and long work reads it between steps (between files, rows or folders).
void RequestCancel() noexcept;
void ClearCancel() noexcept;
bool CancelRequested() noexcept;

// What long work throws when it stops on the user's request.
class Cancelled : public std::runtime_error {
  public:
    Cancelled() : std::runtime_error("cancelled by the user") {}
};

inline void ThrowIfCancelled() {
    if (CancelRequested()) throw Cancelled();
}

// Says when a progress line is due: on the first call, then at most once per `interval`, so the
// wait window is told a few times a second, never per file.
class ProgressPace {
  public:
    explicit ProgressPace(std::chrono::milliseconds interval = std::chrono::milliseconds(250))
        : interval_(interval) {}
    bool Due() {
        const auto now = std::chrono::steady_clock::now();
        if (started_ && now - last_ < interval_) return false;
        started_ = true;
        last_ = now;
        return true;
    }

  private:
    std::chrono::milliseconds interval_;
    std::chrono::steady_clock::time_point last_{};
    bool started_ = false;
};

} // namespace nullsweep
