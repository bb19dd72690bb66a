// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan/MemoryHints.h"

#include <sys/mman.h>

#include <cstdint>

namespace nullsweep {

void AdviseHugePages(const void* data, std::size_t bytes) {
    constexpr std::uintptr_t Huge = std::uintptr_t(2) << 20;
    const auto at = reinterpret_cast<std::uintptr_t>(data);
    const auto start = (at + Huge - 1) & ~(Huge - 1);
    const auto end = (at + bytes) & ~(Huge - 1);
    if (end > start) ::madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
}

} // namespace nullsweep
