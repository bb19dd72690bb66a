// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "export/Automation.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nullsweep {

// What the spreadsheet application records for its one sheet until "SaveAs" writes it. Every
// change is kept in the order it was asked for; a later one wins where they overlap.

// Cells from (top, left) to (bottom, right), inclusive, counted from 0.
struct CellRange {
    std::uint32_t top = 0;
    std::uint32_t left = 0;
    std::uint32_t bottom = 0;
    std::uint32_t right = 0;

    bool Contains(std::uint32_t row, std::uint32_t column) const {
        return row >= top && row <= bottom && column >= left && column <= right;
    }
    std::uint32_t Height() const { return bottom - top + 1; }
    std::uint32_t Width() const { return right - left + 1; }
    bool operator==(const CellRange&) const = default;
};

// The sheet's size: 1,048,576 rows of 16,384 columns.
constexpr std::uint32_t SheetRows = 1048576;
constexpr std::uint32_t SheetColumns = 16384;

// "A1" or "A1:F12", letters in either case; throws AutomationError for anything else and for
// cells outside the sheet. The corners may be given in any order.
CellRange ParseRange(std::string_view text);

// The alignment an automation constant asks for, as the workbook's cell format takes it
// (libxlsxwriter's LXW_ALIGN_*; 0, the default, sets nothing); nothing for a constant that is
// not offered for that direction.
std::optional<std::uint8_t> HorizontalAlignOf(long long constant);
std::optional<std::uint8_t> VerticalAlignOf(long long constant);

enum class StyleKind { HorizontalAlign, VerticalAlign, Bold, Border };

// One format setting over a range; `value` is the workbook's alignment, or 0/1 for bold
// and for a thin border around every cell.
struct StyleSpan {
    CellRange range;
    StyleKind kind;
    int value;
};

// Values for a range: an array of the range's size, or one text that fills every cell.
struct ValueBlock {
    CellRange range;
    SheetArray values;
};

struct SheetModel {
    std::vector<ValueBlock> values;
    std::vector<StyleSpan> styles;
    std::vector<CellRange> merges;
    // Ranges whose columns are fitted to the longest text they hold within the range.
    std::vector<CellRange> fittedColumns;
};

} // namespace nullsweep
