// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace nullsweep {

// Each text's rank in CompareText's order: equal texts get equal ranks and a text that
// CompareText puts first gets the smaller one, so ranks compare as the texts do. The texts are
// sorted eight bytes at a time past the part all of them share, and a group of texts is read
// further only while it shares what was read, so a million full paths of one folder cost
// about what a million short names cost.
std::vector<std::uint32_t> TextRanks(std::span<const std::string_view> texts);

} // namespace nullsweep
