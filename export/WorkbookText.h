// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace nullsweep {

// `text` as a workbook cell must hold it to read back as written: workbook readers take
// "_xHHHH_" (four hex digits) as the character U+HHHH, so each such piece is written as
// "_x005F_xHHHH_", the escape of its "_".
std::string EscapeWorkbookText(std::string_view text);

// True when EscapeWorkbookText would change `text`.
bool NeedsWorkbookEscape(std::string_view text);

} // namespace nullsweep
