// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <exception>
#include <mutex>

namespace nullsweep {

// The first error thrown by any of the jobs that helper threads run side by side, kept so that
// the thread that waits for them throws it: an error must not leave a thread, nor be dropped.
class FirstFailure {
  public:
    // Call from a catch block.
    void Keep() noexcept {
        const std::lock_guard lock(mutex_);
        if (!failure_) failure_ = std::current_exception();
    }
    void Rethrow() {
        const std::lock_guard lock(mutex_);
        if (failure_) std::rethrow_exception(failure_);
    }

  private:
    std::mutex mutex_;
    std::exception_ptr failure_;
};

} // namespace nullsweep
