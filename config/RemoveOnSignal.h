// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace nullsweep {

// While it lives, an interrupt, termination or hang-up signal first removes the file at `path`
// and then has its usual effect (the program ends with that signal), so that a half-written
// temporary file never outlives an export. A signal the program ignores stays ignored. Several
// may live at once, on any thread.
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
