// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

namespace nullsweep {

// The configuration written when CorvaneConfig.xml is missing: 1,064 bytes of ASCII on one line,
// elements indented by tabs, no line break at all. It names the seven columns of a scan.
extern const std::string_view DefaultConfigText;

} // namespace nullsweep
