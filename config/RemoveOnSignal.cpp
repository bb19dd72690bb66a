// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/RemoveOnSignal.h"

#include <unistd.h>

#include <array>
#include <atomic>
#include <csignal>
#include <cstring>
#include <mutex>

namespace nullsweep {

namespace {

constexpr std::array<int, 3> CleanedSignals{SIGINT, SIGTERM, SIGHUP};
constexpr int SlotCount = 8;

// The handler may only read plain memory and call unlink: each slot's path is written before
// its flag is set and kept until the flag is cleared.
struct TSlot {
    std::atomic<bool> used{false};
    char path[4096];
};
TSlot slots[SlotCount];

std::mutex registry;
int liveCount = 0; // guarded by `registry`
struct sigaction previous[CleanedSignals.size()];

void removeAndRaise(int signal) {
    for (TSlot& slot : slots)
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
        if (previous[i].sa_handler != SIG_IGN) ::sigaction(CleanedSignals[i], &action, nullptr);
    }
}

void restore() {
    for (std::size_t i = 0; i < CleanedSignals.size(); ++i)
        ::sigaction(CleanedSignals[i], &previous[i], nullptr);
}

} // namespace

TRemoveOnSignal::TRemoveOnSignal(const std::string& path) {
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

TRemoveOnSignal::~TRemoveOnSignal() {
    if (slot_ < 0) return;
    std::lock_guard lock(registry);
    slots[slot_].used.store(false);
    if (--liveCount == 0) restore();
}

} // namespace nullsweep
