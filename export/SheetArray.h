// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace nullsweep {

// A table of texts, row-major, as it is assigned to a range's "Value" in one go. It may hold
// millions of texts, so they are packed one after the other in large blocks, each followed by a
// NUL so that it can be handed on as a C string; a cell costs 12 bytes besides its text.
class SheetArray {
  public:
    SheetArray() = default;
    SheetArray(std::size_t rows, std::size_t columns);
    SheetArray(SheetArray&&) noexcept = default;
    SheetArray& operator=(SheetArray&&) noexcept = default;

    std::size_t Rows() const { return rows_; }
    std::size_t Columns() const { return columns_; }

    // Empty until set; ended by a NUL. The text stays valid as long as the array.
    std::string_view At(std::size_t row, std::size_t column) const;
    // Replaces the cell's text; the old text's bytes are not reused.
    void Set(std::size_t row, std::size_t column, std::string_view text);

  private:
    struct Cell {
        std::uint32_t block = 0;
        std::uint32_t offset = 0;
        std::uint32_t size = 0;
    };
    struct Block {
        std::unique_ptr<char[]> bytes;
        std::size_t capacity = 0;
        std::size_t used = 0;
    };

    std::size_t rows_ = 0;
    std::size_t columns_ = 0;
    std::vector<Cell> cells_;
    // Block 0 holds the empty text that unset cells point at.
    std::vector<Block> blocks_;
};

} // namespace nullsweep
