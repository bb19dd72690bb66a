// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace nullsweep {

// `text` as a JSON string with its quotes (RFC 8259 escapes); bytes that are not valid UTF-8
// become U+FFFD. Sets `wasValid`.
void AppendJsonString(std::string& out, std::string_view text, bool& wasValid);

} // namespace nullsweep
