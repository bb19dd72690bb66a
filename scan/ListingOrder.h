// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <span>
#include <string_view>
#include <vector>

namespace nullsweep {

// The indexes of `names` (names of entries of the folder open as `folder`, any descriptor of
// it) in the order the folder lists them; names it no longer lists follow in their own order,
// and a name given twice is placed once by the listing. Empty when the folder cannot be read.
std::vector<std::size_t> ListingOrder(int folder, std::span<const std::string_view> names);

} // namespace nullsweep
