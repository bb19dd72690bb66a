// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace nullsweep {

// Threads that stay for many short rounds of work: a round started on fresh threads each time
// would spend more on starting them than on the work when the rounds are small.
class HelperThreads {
  public:
    // Up to `threads` at work in a round, the calling thread included; they start with the
    // first round that has work for them.
    explicit HelperThreads(unsigned threads) : wanted_(threads ? threads : 1) {}
    ~HelperThreads();
    HelperThreads(const HelperThreads&) = delete;
    HelperThreads& operator=(const HelperThreads&) = delete;

    // Runs job(0) ... job(n - 1) on the helpers and the calling thread; returns when all are
    // done. `job` must not throw. A helper that cannot start leaves its share to the others.
    void Run(std::size_t n, const std::function<void(std::size_t)>& job);
    // The threads at work in a round, the calling thread included.
    unsigned Count() const { return static_cast<unsigned>(threads_.size() + 1); }

  private:
    void start(std::size_t n);
    void help();
    void take(const std::function<void(std::size_t)>& job, std::size_t n);

    const unsigned wanted_;
    std::mutex mutex_;
    std::condition_variable wake_; // a round starts, or the helpers stop
    std::condition_variable done_; // a helper has left its round
    const std::function<void(std::size_t)>* job_ = nullptr;
    std::size_t n_ = 0;
    std::atomic<std::size_t> next_{0};
    unsigned busy_ = 0; // helpers inside the round
    std::uint64_t round_ = 0;
    bool stop_ = false;
    std::vector<std::thread> threads_;
};

} // namespace nullsweep
