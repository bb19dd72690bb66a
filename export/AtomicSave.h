// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string>

namespace nullsweep {

// Has `write` write a temporary file in `path`'s folder and renames it to `path` once `write`
// returned, so an existing file is replaced only by a complete one. When `write` throws, the
// temporary file is removed and the exception goes on; a failing rename throws
// std::runtime_error naming the file and the reason.
void SaveAtomically(const std::string& path,
                    const std::function<void(const std::string& temporaryPath)>& write);

} // namespace nullsweep
