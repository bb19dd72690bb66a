// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace nullsweep {

// Row texts are bytes as the file system gave them, which is UTF-8 by convention but need not
// be. These helpers make them safe for the markup formats. Bytes that do not form UTF-8
// become U+FFFD.

// Appends `text` as HTML text that shows the same characters on a page that names no charset:
// &, <, > and " as entities, characters outside ASCII and control characters (line breaks
// included, so a page stays on one line) as numeric character references.
void AppendHtmlText(std::string& out, std::string_view text);

// `text` as UTF-8 that XML 1.0 accepts: characters XML forbids become U+FFFD.
std::string XmlSafeText(std::string_view text);
// True when XmlSafeText would return `text` unchanged.
bool IsXmlSafeText(std::string_view text);

} // namespace nullsweep
