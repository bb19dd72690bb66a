// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan/StatWorker.h"

namespace nullsweep {

StatWorker::StatWorker() : thread_([this] { loop(); }) {}

StatWorker::~StatWorker() {
    quit_ = true;
    start_.release();
    thread_.join();
}

void StatWorker::loop() {
    for (;;) {
        start_.acquire();
        if (quit_) return;
        (*work_)(begin_, end_);
        done_.release();
    }
}

void StatWorker::Split(std::size_t count,
                       const std::function<void(std::size_t, std::size_t)>& work) {
    const std::size_t half = count / 2;
    work_ = &work;
    begin_ = half;
    end_ = count;
    start_.release();
    try {
        work(0, half);
    } catch (...) {
        done_.acquire(); // never leave the worker running on a dead frame
        throw;
    }
    done_.acquire();
}

} // namespace nullsweep
