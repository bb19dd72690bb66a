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

QuietStandardError::QuietStandardError() {
    quietMutex.lock();
    std::fflush(stderr);
    saved_.reset(::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3));
    const OwnedFd nowhere(::open("/dev/null", O_WRONLY | O_CLOEXEC));
    if (saved_.valid() && nowhere.valid()) ::dup2(nowhere.get(), STDERR_FILENO);
}

QuietStandardError::~QuietStandardError() {
    std::fflush(stderr);
    if (saved_.valid()) ::dup2(saved_.get(), STDERR_FILENO);
    saved_.reset();
    quietMutex.unlock();
}

} // namespace nullsweep
