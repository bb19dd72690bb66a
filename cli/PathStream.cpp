// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/PathStream.h"

namespace nullsweep {

namespace {
// How long a found path may wait for more to share a write.
constexpr std::chrono::milliseconds Delay{20};
} // namespace

PathStream::PathStream(ByteSink& sink, bool nullTerminated, std::function<void()> push)
    : out_(sink), end_(nullTerminated ? '\0' : '\n'), push_(std::move(push)),
      due_(std::chrono::steady_clock::now()) {}

void PathStream::Add(std::string_view path) {
    out_ << path;
    out_.Text() += end_;
    out_.Commit();
    if (std::chrono::steady_clock::now() >= due_) Flush();
}

void PathStream::Flush() {
    out_.Flush();
    if (push_) push_();
    due_ = std::chrono::steady_clock::now() + Delay;
}

} // namespace nullsweep
