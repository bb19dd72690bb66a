// SPDX-License-Identifier: GPL-3.0-or-later
#include "rows/NodePool.h"

#include <sanitizer/asan_interface.h>

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

NodePool::~NodePool() {
    ReleaseAll();
}

// Under AddressSanitizer, a node not handed out is poisoned, so that a use of a freed node is
// caught as it would be with one allocation each; elsewhere these are no-ops.
void* NodePool::Allocate() {
    if (freed_) {
        void* node = freed_;
        ASAN_UNPOISON_MEMORY_REGION(node, stride_);
        std::memcpy(&freed_, node, sizeof freed_);
        return node;
    }
    if (lastSlabUsed_ == lastSlabNodes_) {
        const std::size_t nodes =
            slabs_.empty() ? FirstSlabNodes : std::min(2 * lastSlabNodes_, LargestSlabNodes);
        slabs_.reserve(slabs_.size() + 1);
        slabs_.emplace_back(new std::byte[nodes * stride_]);
        slabSizes_.push_back(nodes * stride_);
        ASAN_POISON_MEMORY_REGION(slabs_.back().get(), nodes * stride_);
        lastSlabNodes_ = nodes;
        lastSlabUsed_ = 0;
    }
    void* node = slabs_.back().get() + stride_ * lastSlabUsed_++;
    ASAN_UNPOISON_MEMORY_REGION(node, stride_);
    return node;
}

void NodePool::Free(void* node) {
    std::memcpy(node, &freed_, sizeof freed_);
    freed_ = node;
    ASAN_POISON_MEMORY_REGION(node, stride_);
}

void NodePool::ReleaseAll() {
    for (std::size_t s = 0; s < slabs_.size(); ++s)
        ASAN_UNPOISON_MEMORY_REGION(slabs_[s].get(), slabSizes_[s]);
    slabSizes_.clear();
    slabs_.clear();
    slabs_.shrink_to_fit();
    lastSlabNodes_ = lastSlabUsed_ = 0;
    freed_ = nullptr;
}

} // namespace nullsweep
