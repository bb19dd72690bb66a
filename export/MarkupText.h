// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace nullsweep {

// Appends `text` as HTML text that shows the same characters on a page that names no charset:
// &, <, > and " as entities, characters outside ASCII and control characters (line breaks
// included, so a page stays on one line) as numeric character references. Row texts are the
// file system's bytes, UTF-8 by convention but not always: bytes that are not UTF-8 show as
// U+FFFD.
void AppendHtmlText(std::string& out, std::string_view text);

} // namespace nullsweep
