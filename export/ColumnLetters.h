// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace nullsweep {

// The spreadsheet letters of a column number given as a number text (IsNumber, the system's
// decimal separator): 1 to 26 give A to Z, 27 gives AA, 702 ZZ, 703 AAA, and so on. A text
// that is no number, or a number that is below 1 or not whole, is returned unchanged.
std::string ColumnLetters(std::string_view text);

} // namespace nullsweep
