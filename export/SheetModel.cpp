// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/SheetModel.h"

#include <xlsxwriter/format.h>

#include <algorithm>

namespace nullsweep {
namespace {

struct AlignConstant {
    long long constant;
    std::uint8_t align;
};

// The constants offered and what each sets; general and bottom are the defaults.
constexpr AlignConstant HorizontalAligns[] = {
    {1, LXW_ALIGN_NONE},
    {-4131, LXW_ALIGN_LEFT},
    {-4108, LXW_ALIGN_CENTER},
    {-4152, LXW_ALIGN_RIGHT},
};
constexpr AlignConstant VerticalAligns[] = {
    {-4107, LXW_ALIGN_NONE},
    {-4108, LXW_ALIGN_VERTICAL_CENTER},
    {-4160, LXW_ALIGN_VERTICAL_TOP},
};

template <std::size_t N>
std::optional<std::uint8_t> alignOf(const AlignConstant (&table)[N], long long constant) {
    for (const AlignConstant& entry : table)
        if (entry.constant == constant) return entry.align;
    return std::nullopt;
}

// One cell reference such as "B12"; false when `text` is not one or lies outside the sheet.
bool ParseCell(std::string_view text, std::uint32_t& row, std::uint32_t& column) {
    std::size_t i = 0;
    unsigned long long letters = 0, number = 0;
    for (; i < text.size() && i < 4; ++i) {
        char c = text[i];
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
        if (c < 'A' || c > 'Z') break;
        letters = letters * 26 + unsigned(c - 'A' + 1);
    }
    std::size_t digits = text.size() - i;
    if (letters == 0 || digits == 0 || digits > 7) return false;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        number = number * 10 + unsigned(text[i] - '0');
    }
    if (letters > SheetColumns || number < 1 || number > SheetRows) return false;
    row = std::uint32_t(number - 1);
    column = std::uint32_t(letters - 1);
    return true;
}

} // namespace

CellRange ParseRange(std::string_view text) {
    std::size_t colon = text.find(':');
    std::string_view first = text.substr(0, colon);
    std::string_view second = colon == std::string_view::npos ? first : text.substr(colon + 1);
    std::uint32_t r1, c1, r2, c2;
    if (!ParseCell(first, r1, c1) || !ParseCell(second, r2, c2))
        throw AutomationError("Range \"" + std::string(text) +
                              "\" is no range of cells within the sheet");
    return {std::min(r1, r2), std::min(c1, c2), std::max(r1, r2), std::max(c1, c2)};
}

std::optional<std::uint8_t> HorizontalAlignOf(long long constant) {
    return alignOf(HorizontalAligns, constant);
}

std::optional<std::uint8_t> VerticalAlignOf(long long constant) {
    return alignOf(VerticalAligns, constant);
}

} // namespace nullsweep
