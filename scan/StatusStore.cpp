// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan/StatusStore.h"

#include "scan/MemoryHints.h"

#include <atomic>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>

namespace nullsweep {

static_assert(std::is_trivially_copyable_v<FileStatus> &&
              std::is_trivially_destructible_v<FileStatus>);

StatusStore::StatusStore(std::size_t capacity)
    : data_(std::allocator<FileStatus>().allocate(capacity)), capacity_(capacity) {
    AdviseHugePages(data_, capacity * sizeof(FileStatus));
}

StatusStore::~StatusStore() {
    release();
}

void StatusStore::release() noexcept {
    if (data_) std::allocator<FileStatus>().deallocate(data_, capacity_);
    data_ = nullptr;
    capacity_ = used_ = 0;
}

StatusStore::StatusStore(StatusStore&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), capacity_(std::exchange(other.capacity_, 0)),
      used_(std::exchange(other.used_, 0)) {}

StatusStore& StatusStore::operator=(StatusStore&& other) noexcept {
    if (this != &other) {
        release();
        data_ = std::exchange(other.data_, nullptr);
        capacity_ = std::exchange(other.capacity_, 0);
        used_ = std::exchange(other.used_, 0);
    }
    return *this;
}

std::size_t StatusStore::Put(const FileStatus* statuses, std::size_t count) {
    const std::size_t start = std::atomic_ref<std::size_t>(used_).fetch_add(count);
    if (count > capacity_ || start > capacity_ - count) throw std::bad_alloc();
    std::uninitialized_copy_n(statuses, count, data_ + start);
    return start;
}

} // namespace nullsweep
