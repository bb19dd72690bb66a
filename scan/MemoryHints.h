// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>

namespace nullsweep {

// Asks for huge pages for the whole 2 MiB pages inside a big buffer: filling it then takes a
// fault per 2 MiB rather than per 4 KiB, and reading it all over takes few address
// translations. A hint only: nothing changes where the kernel says no.
void AdviseHugePages(const void* data, std::size_t bytes);

// Asks for the memory at `address` ahead of its use (to be written, with `forWrite`). The
// address goes through a volatile: GCC 12 drops an inlined prefetch as dead code.
inline void Prefetch(const void* address, bool forWrite = false) {
    const void* volatile kept = address;
    if (forWrite)
        __builtin_prefetch(kept, 1);
    else
        __builtin_prefetch(kept);
}

} // namespace nullsweep
