// SPDX-License-Identifier: GPL-3.0-or-later
#include "rows/NodePool.h"

#include <algorithm>
#include <cstring>

namespace nullsweep {

namespace {

// A small tree takes little; a big one a few allocations per hundred thousand rows.
constexpr std::size_t FirstSlabNodes = 16;
constexpr std::size_t LargestSlabNodes = 8192;

} // namespace

void NodePool::SetNodeSize(std::size_t bytes) {
    constexpr std::size_t align = alignof(std::max_align_t);
    stride_ = std::max(align, (bytes + align - 1) & ~(align - 1));
}

void* NodePool::Allocate() {
    if (freed_) {
        void* node = freed_;
        std::memcpy(&freed_, node, sizeof freed_);
        return node;
    }
    if (lastSlabUsed_ == lastSlabNodes_) {
        const std::size_t nodes =
            slabs_.empty() ? FirstSlabNodes : std::min(2 * lastSlabNodes_, LargestSlabNodes);
        slabs_.reserve(slabs_.size() + 1);
        slabs_.emplace_back(new std::byte[nodes * stride_]);
        lastSlabNodes_ = nodes;
        lastSlabUsed_ = 0;
    }
    return slabs_.back().get() + stride_ * lastSlabUsed_++;
}

void NodePool::Free(void* node) {
    std::memcpy(node, &freed_, sizeof freed_);
    freed_ = node;
}

void NodePool::ReleaseAll() {
    slabs_.clear();
    slabs_.shrink_to_fit();
    lastSlabNodes_ = lastSlabUsed_ = 0;
    freed_ = nullptr;
}

} // namespace nullsweep
