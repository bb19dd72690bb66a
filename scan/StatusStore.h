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

} // namespace nullsweep
