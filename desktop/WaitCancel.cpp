// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/WaitCancel.h"

#include <atomic>

namespace nullsweep {

namespace {
std::atomic<bool> cancelRequested{false};
} // namespace

void RequestCancel() noexcept {
    cancelRequested.store(true, std::memory_order_relaxed);
}

void ClearCancel() noexcept {
    cancelRequested.store(false, std::memory_order_relaxed);
}

bool CancelRequested() noexcept {
    return cancelRequested.load(std::memory_order_relaxed);
}

} // namespace nullsweep
