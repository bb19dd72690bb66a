// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace nullsweep {

// While it lives, a signal that ends the program (interrupt, termination, hang-up, a broken
// pipe, ...) first removes the file at `path` and then has its usual effect, so that a
// half-written temporary file never outlives an export. A signal the program ignores or handles
// itself is left to it. Several may live at once, on any thread.
class TRemoveOnSignal {
  public:
    explicit TRemoveOnSignal(const std::string& path);
    ~TRemoveOnSignal();
    TRemoveOnSignal(const TRemoveOnSignal&) = delete;
    TRemoveOnSignal& operator=(const TRemoveOnSignal&) = delete;

  private:
    int slot_ = -1;
};

} // namespace nullsweep
