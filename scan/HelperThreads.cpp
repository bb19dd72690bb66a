// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan/HelperThreads.h"

#include <algorithm>
#include <new>
#include <system_error>

namespace nullsweep {

HelperThreads::~HelperThreads() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    for (std::thread& thread : threads_)
        thread.join();
}

void HelperThreads::start(std::size_t n) {
    const std::size_t wanted = std::min<std::size_t>(wanted_, n);
    try {
        while (threads_.size() + 1 < wanted)
            threads_.emplace_back([this] { help(); });
    } catch (const std::system_error&) {
        // too many processes, or no memory for a stack: the threads there are do the work
    } catch (const std::bad_alloc&) {
    }
}

void HelperThreads::take(const std::function<void(std::size_t)>& job, std::size_t n) {
    for (std::size_t i; (i = next_.fetch_add(1)) < n;)
        job(i);
}

void HelperThreads::Run(std::size_t n, const std::function<void(std::size_t)>& job) {
    if (n == 0) return;
    start(n);
    if (threads_.empty()) {
        for (std::size_t i = 0; i < n; ++i)
            job(i);
        return;
    }
    {
        std::unique_lock lock(mutex_);
        job_ = &job;
        n_ = n;
        next_ = 0;
        ++round_;
    }
    wake_.notify_all();
    take(job, n);
    std::unique_lock lock(mutex_);
    // A helper that wakes after this has no job to look at.
    job_ = nullptr;
    done_.wait(lock, [&] { return busy_ == 0; });
}

void HelperThreads::help() {
    std::uint64_t seen = 0;
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return stop_ || round_ != seen; });
        if (stop_) return;
        seen = round_;
        if (!job_) continue;
        const std::function<void(std::size_t)>& job = *job_;
        const std::size_t n = n_;
        ++busy_;
        lock.unlock();
        take(job, n);
        lock.lock();
        if (--busy_ == 0) done_.notify_all();
    }
}

} // namespace nullsweep
