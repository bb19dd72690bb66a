// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "scan/ResultRow.h"
#include "text/TextLocale.h"

#include <string>
#include <string_view>

namespace nullsweep {

// The "File Size" cell of a size text: "%n B", "%n KB", "%n MB" or "%n GB" (units of 2^10, 2^20,
// 2^30 bytes, a value equal to a unit already taking it), "%n" being FixedTwoDecimals in the
// locale's separators. Empty when the text is empty or not a number text.
std::string SizeCellText(std::string_view sizeText, const TTextLocale& locale);

// The display text of field `fieldIndex` (0 to 18) of `row`: the size in units, the size
// percentage followed by "%", any other field as it stands. Never fails: a field index out of
// range, or anything that goes wrong, gives the empty text.
std::string FormatCell(int fieldIndex, const TResultRow& row,
                       const TTextLocale& locale = TTextLocale::System()) noexcept;

} // namespace nullsweep
