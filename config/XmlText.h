// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace nullsweep {

// `text` with every byte that does not belong to a valid UTF-8 sequence, and every character
// that XML 1.0 does not allow (controls other than tab, line feed and carriage return; U+FFFE,
// U+FFFF), replaced by U+FFFD. Valid text comes back unchanged.
std::string ValidXmlText(std::string_view text);

// The offset of the first byte of `text` that starts no valid UTF-8 sequence or a character
// that XML 1.0 does not allow, with `reason` saying which; npos when the text is valid.
std::size_t FindInvalidXmlText(std::string_view text, std::string& reason);

// True when `name` can stand as an element or attribute name: a letter, "_", ":" or a non-ASCII
// byte first, then also digits, "-" and ".".
bool IsXmlName(std::string_view name);

} // namespace nullsweep
