// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace nullsweep {

// `text` fit for a message on standard error, which is often a terminal: a file name may hold
// bytes a terminal acts on (clear the screen, set the window title, move the cursor). Control
// characters are shown as escapes: \a \b \t \n \v \f \r by letter, the other C0 controls and
// DEL as \xNN, and C1 controls (U+0080 to U+009F, and the bytes 0x80 to 0x9F where they are not
// part of UTF-8) as \xNN for each byte. Everything else, UTF-8 included, is kept as it is.
std::string EscapeControls(std::string_view text);

} // namespace nullsweep
