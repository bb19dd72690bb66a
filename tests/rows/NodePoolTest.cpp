// SPDX-License-Identifier: GPL-3.0-or-later
#include "rows/NodePool.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace nullsweep;

// The pool hands out memory of its own slabs, which the address sanitizer sees as one block
// each: a node read after its free must still be caught.
TEST(NodePool, ANodeReadAfterItsFreeIsCaughtByTheAddressSanitizer) {
#if !defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "only the address sanitizer's build can tell";
#else
    NodePool pool;
    pool.SetNodeSize(40);
    auto readAfterFree = [&] {
        auto* node = static_cast<volatile char*>(pool.Allocate());
        node[39] = 1;
        pool.Free(const_cast<char*>(node));
        return node[39];
    };
    EXPECT_DEATH(readAfterFree(), "use-after-poison");
    // Nodes in use stay readable, and the pool lets go of its slabs cleanly.
    void* a = pool.Allocate();
    void* b = pool.Allocate();
    std::memset(a, 0, 40);
    std::memset(b, 0, 40);
    pool.Free(a);
    pool.Free(b);
    pool.ReleaseAll();
#endif
}
