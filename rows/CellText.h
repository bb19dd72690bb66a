// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "scan/ResultRow.h"
#include "scan/RowText.h"
#include "text/TextLocale.h"

#include <exception>
#include <string>

namespace nullsweep {

// The "File Size" cell of a size in bytes: "%n B", "%n KB", "%n MB" or "%n GB" (units of 2^10,
// 2^20, 2^30 bytes, a value equal to a unit already taking it), "%n" being FixedTwoDecimals in
// the locale's separators.
std::string SizeCellText(double bytes, const TextLocale& locale);

// The display text of field `fieldIndex` (0 to 18) of `row`: the size in units, any other field
// as `texts` makes it (an empty row and a field index out of range show nothing). Throws what
// making the text throws (no memory, a time the locale cannot show).
std::string FormatCell(int fieldIndex, const TResultRow& row, RowText& texts,
                       const TextLocale& locale = TextLocale::System());

// What a cell shows when its text could not be made: the reason in brackets, or, when even that
// finds no memory, a marker short enough to need none.
std::string CellProblemText(const std::exception& error) noexcept;

} // namespace nullsweep
