// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fs/OwnedFd.h"

namespace nullsweep {

// While it lives, what is written to standard error goes nowhere. For a library that prints
// its own lines about failures that we report ourselves, in one line naming the file. One at a
// time in the process; others wait.
class QuietStandardError {
  public:
    QuietStandardError();
    ~QuietStandardError();
    QuietStandardError(const QuietStandardError&) = delete;
    QuietStandardError& operator=(const QuietStandardError&) = delete;

  private:
    OwnedFd saved_;
};

} // namespace nullsweep
