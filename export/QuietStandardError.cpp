// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/QuietStandardError.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <mutex>

namespace nullsweep {

namespace {
std::mutex quietMutex;
} // namespace

TQuietStandardError::TQuietStandardError() {
    quietMutex.lock();
    std::fflush(stderr);
    saved_ = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
    const int nowhere = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (saved_ >= 0 && nowhere >= 0) ::dup2(nowhere, STDERR_FILENO);
    if (nowhere >= 0) ::close(nowhere);
}

TQuietStandardError::~TQuietStandardError() {
    std::fflush(stderr);
    if (saved_ >= 0) {
        ::dup2(saved_, STDERR_FILENO);
        ::close(saved_);
    }
    quietMutex.unlock();
}

} // namespace nullsweep
