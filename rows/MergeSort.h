// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <cstddef>

namespace nullsweep {

// Top-down merge sort: the first part holds n/2 (rounded down). The first argument of every
// comparison is the item that came earlier, and ties go to the first part in the direction's
// sense, so any comparison results (even inconsistent ones) give one well-defined order. Every
// sort of tree nodes goes through this one merge, so that each gives the order the tree's own
// sort gives. `scratch` holds at least n/2 items. Should a comparison throw, every item is
// still in `items`, partly sorted.
template <typename T, typename Compare>
void TopDownMergeSort(T* items, T* scratch, std::size_t n, bool descending, Compare& compare) {
    if (n < 2) return;
    const std::size_t half = n / 2;
    TopDownMergeSort(items, scratch, half, descending, compare);
    TopDownMergeSort(items + half, scratch, n - half, descending, compare);
    std::copy(items, items + half, scratch);
    T* a = scratch;
    T* aEnd = scratch + half;
    T* b = items + half;
    T* bEnd = items + n;
    T* out = items;
    try {
        while (a != aEnd && b != bEnd) {
            const int result = compare(*a, *b);
            const bool takeSecond = descending ? result < 0 : result > 0;
            *out++ = takeSecond ? *b++ : *a++;
        }
    } catch (...) {
        // The first part's rest fits exactly in the gap before `b`: no item is lost.
        std::copy(a, aEnd, out);
        throw;
    }
    std::copy(a, aEnd, out);
}

} // namespace nullsweep
