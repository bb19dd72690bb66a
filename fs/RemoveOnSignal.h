// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace nullsweep {

// While it lives, a signal that ends the program (interrupt, termination, hang-up, a broken
// pipe, ...) first removes the file at `path` and then has its usual effect, so that a
// half-written temporary file never outlives an export. A signal the program ignores or handles
// itself is left to it. Several may live at once, on any thread.
class RemoveOnSignal {
  public:
    explicit RemoveOnSignal(const std::string& path);
    ~RemoveOnSignal();
    RemoveOnSignal(const RemoveOnSignal&) = delete;
    RemoveOnSignal& operator=(const RemoveOnSignal&) = delete;

  private:
    int slot_ = -1;
};

} // namespace nullsweep
