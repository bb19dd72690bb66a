// SPDX-License-Identifier: GPL-3.0-or-later
#include "rows/CellText.h"

#include "text/NumberText.h"

#include <new>

namespace nullsweep {

std::string SizeCellText(double v, const TextLocale& locale) {
    constexpr double KB = 1024.0, MB = KB * 1024.0, GB = MB * 1024.0;
    // Dividing by a power of two is exact, so the rounding sees the true quotient.
    const auto [number, unit] = v < KB   ? std::pair(v, " B")
                                : v < MB ? std::pair(v / KB, " KB")
                                : v < GB ? std::pair(v / MB, " MB")
                                         : std::pair(v / GB, " GB");
    std::string text = FixedTwoDecimals(number, locale.DecimalSeparator(), locale.GroupSeparator());
    return text.empty() ? text : text + unit;
}

std::string FormatCell(int fieldIndex, const TResultRow& row, RowText& texts,
                       const TextLocale& locale) {
    if (fieldIndex < 0 || fieldIndex >= FieldCount) return {};
    const auto field = static_cast<FieldId>(fieldIndex);
    // The size cell is made from the number itself, so its plain text is not made first.
    if (field == FieldId::FileSize)
        return row.Empty() ? std::string() : SizeCellText(double(row.Size()), locale);
    const std::string_view text = texts.Field(row, fieldIndex);
    if (field == FieldId::SizePercentage) // rows hold no percentage
        return text.empty() ? std::string() : std::string(text) + "%";
    return std::string(text);
}

std::string CellProblemText(const std::exception& error) noexcept {
    try {
        return "[" + std::string(error.what()) + "]";
    } catch (const std::bad_alloc&) {
        return "[?]";
    }
}

} // namespace nullsweep
