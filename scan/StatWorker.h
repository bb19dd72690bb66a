// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <functional>
#include <semaphore>
#include <thread>

namespace nullsweep {

// A second thread for the scan's file-status calls. The kernel's name lookups dominate a warm
// scan, and they run well on two cores; the walk itself, and every row, stay on the caller's
// thread. `Split` runs `work(begin, end)` over [0, count) with the worker taking the second half.
class StatWorker {
  public:
    StatWorker();
    ~StatWorker();
    StatWorker(const StatWorker&) = delete;
    StatWorker& operator=(const StatWorker&) = delete;

    void Split(std::size_t count, const std::function<void(std::size_t, std::size_t)>& work);

  private:
    void loop();

    std::binary_semaphore start_{0};
    std::binary_semaphore done_{0};
    const std::function<void(std::size_t, std::size_t)>* work_ = nullptr;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    bool quit_ = false;
    std::thread thread_;
};

} // namespace nullsweep
