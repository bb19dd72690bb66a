// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

namespace nullsweep {

// Writes all of `bytes` to `fd`, again after an interrupted or partial write. Returns 0, or the
// errno of the failure (EIO when the system wrote nothing without saying why).
int WriteFully(int fd, std::string_view bytes);

} // namespace nullsweep
