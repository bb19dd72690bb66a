// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/SheetArray.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace nullsweep {
namespace {

constexpr std::size_t BlockSize = 1 << 20;

} // namespace

SheetArray::SheetArray(std::size_t rows, std::size_t columns)
    : rows_(rows), columns_(columns), cells_(rows * columns) {
    blocks_.push_back({std::make_unique<char[]>(1), 1, 1}); // "" for every unset cell
}

std::string_view SheetArray::At(std::size_t row, std::size_t column) const {
    const Cell& cell = cells_.at(row * columns_ + column);
    return {blocks_[cell.block].bytes.get() + cell.offset, cell.size};
}

void SheetArray::Set(std::size_t row, std::size_t column, std::string_view text) {
    Cell& cell = cells_.at(row * columns_ + column);
    if (text.size() >= std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("A text of " + std::to_string(text.size()) +
                                " bytes is too long for a sheet cell");
    const std::size_t needed = text.size() + 1;
    if (blocks_.size() == 1 || blocks_.back().capacity - blocks_.back().used < needed) {
        const std::size_t capacity = std::max(BlockSize, needed);
        blocks_.push_back({std::make_unique_for_overwrite<char[]>(capacity), capacity, 0});
    }
    Block& block = blocks_.back();
    std::memcpy(block.bytes.get() + block.used, text.data(), text.size());
    block.bytes[block.used + text.size()] = '\0';
    cell = {std::uint32_t(blocks_.size() - 1), std::uint32_t(block.used),
            std::uint32_t(text.size())};
    block.used += needed;
}

} // namespace nullsweep
