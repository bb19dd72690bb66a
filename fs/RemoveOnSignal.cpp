// SPDX-License-Identifier: GPL-3.0-or-later
#include "fs/RemoveOnSignal.h"

#include <unistd.h>

#include <array>
#include <atomic>
#include <csignal>
#include <cstring>
#include <mutex>

namespace nullsweep {

namespace {

// Every signal whose default action ends the program and that a user or a pipe sends.
constexpr std::array CleanedSignals{SIGINT,  SIGTERM, SIGHUP,  SIGPIPE, SIGQUIT,   SIGALRM,
                                    SIGUSR1, SIGUSR2, SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF};
constexpr int SlotCount = 8;

// The handler may only read plain memory and call unlink: each slot's path is written before
// its flag is set and kept until the flag is cleared.
struct Slot {
    std::atomic<bool> used{false};
    char path[4096];
};
Slot slots[SlotCount];

std::mutex registry;
int liveCount = 0; // guarded by `registry`
struct sigaction previous[CleanedSignals.size()];

void removeAndRaise(int signal) {
    for (Slot& slot : slots)
        if (slot.used.load()) ::unlink(slot.path);
    for (std::size_t i = 0; i < CleanedSignals.size(); ++i)
        if (CleanedSignals[i] == signal) ::sigaction(signal, &previous[i], nullptr);
    // Delivered once this handler returns, with the disposition the program had before.
    ::raise(signal);
}

void install() {
    struct sigaction action {};
    action.sa_handler = removeAndRaise;
    sigemptyset(&action.sa_mask);
    for (int signal : CleanedSignals)
        sigaddset(&action.sa_mask, signal);
    for (std::size_t i = 0; i < CleanedSignals.size(); ++i) {
        ::sigaction(CleanedSignals[i], nullptr, &previous[i]);
        // Only where the signal would end the program: a handler of the program's own may
        // let it go on, and an ignored signal stays ignored.
        if (!(previous[i].sa_flags & SA_SIGINFO) && previous[i].sa_handler == SIG_DFL)
            ::sigaction(CleanedSignals[i], &action, nullptr);
    }
}

void restore() {
    for (std::size_t i = 0; i < CleanedSignals.size(); ++i)
        ::sigaction(CleanedSignals[i], &previous[i], nullptr);
}

} // namespace

RemoveOnSignal::RemoveOnSignal(const std::string& path) {
    if (path.size() >= sizeof slots[0].path) return; // no such file can have been made
    std::lock_guard lock(registry);
    for (int i = 0; i < SlotCount; ++i) {
        if (slots[i].used.load()) continue;
        std::memcpy(slots[i].path, path.c_str(), path.size() + 1);
        slots[i].used.store(true);
        slot_ = i;
        break;
    }
    if (slot_ >= 0 && liveCount++ == 0) install();
}

RemoveOnSignal::~RemoveOnSignal() {
    if (slot_ < 0) return;
    std::lock_guard lock(registry);
    slots[slot_].used.store(false);
    if (--liveCount == 0) restore();
}

} // namespace nullsweep
