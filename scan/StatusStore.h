// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "scan/FileRow.h"

#include <cstddef>

namespace nullsweep {

// The statuses of a big folder's empty files in one block, filled by several threads at once,
// each taking a run of it for the files it found. Room never taken is never touched, so it
// costs no memory.
class StatusStore {
  public:
    StatusStore() = default;
    // Room for `capacity` statuses; throws std::bad_alloc.
    explicit StatusStore(std::size_t capacity);
    ~StatusStore();
    StatusStore(StatusStore&& other) noexcept;
    StatusStore& operator=(StatusStore&& other) noexcept;
    StatusStore(const StatusStore&) = delete;
    StatusStore& operator=(const StatusStore&) = delete;

    // Copies `count` statuses into the next free run and returns where it starts; safe from
    // several threads at once, up to the capacity in all.
    std::size_t Put(const FileStatus* statuses, std::size_t count);

    const FileStatus& operator[](std::size_t index) const { return data_[index]; }
    std::size_t Size() const { return used_; }

  private:
    void release() noexcept;

    FileStatus* data_ = nullptr;
    std::size_t capacity_ = 0;
    std::size_t used_ = 0; // taken through std::atomic_ref
};

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
