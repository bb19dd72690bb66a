// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

namespace nullsweep {

// Memory for the nodes of one tree, all of one size, carved from slabs: a million rows then cost
// no allocation each (and no allocator header each). A freed node's place is used again; the
// slabs go only when every node has gone.
class NodePool {
  public:
    NodePool() = default;
    NodePool(const NodePool&) = delete;
    NodePool& operator=(const NodePool&) = delete;
    ~NodePool();

    // Changes the size of a node; only while no node is allocated.
    void SetNodeSize(std::size_t bytes);
    void* Allocate();
    void Free(void* node);
    // Lets go of every slab: every node must have been freed.
    void ReleaseAll();

  private:
    std::size_t stride_ = alignof(std::max_align_t);
    std::vector<std::unique_ptr<std::byte[]>> slabs_;
    std::vector<std::size_t> slabSizes_; // bytes of each slab
    std::size_t lastSlabNodes_ = 0;      // nodes the last slab holds
    std::size_t lastSlabUsed_ = 0;       // of them handed out at least once
    void* freed_ = nullptr;              // freed nodes, each holding the next one's address
};

} // namespace nullsweep
