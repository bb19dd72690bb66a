// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace nullsweep {

// True when `text` is UTF-8 made only of characters XML 1.0 allows.
bool IsValidXmlText(std::string_view text);

// `text` with every byte that is not part of a UTF-8 character, and every character XML 1.0
// does not allow (control characters other than tab, line feed and carriage return; U+FFFE,
// U+FFFF), replaced by U+FFFD.
std::string ValidXmlText(std::string_view text);

} // namespace nullsweep
