// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan/FolderArgument.h"

#include <cerrno>
#include <filesystem>

namespace nullsweep {

AbsolutePathOf AbsolutePath(const std::string& given) {
    if (given.empty()) return {{}, ENOENT};
    std::error_code error;
    const auto path = std::filesystem::absolute(given, error);
    // Only the current folder's lookup can fail, and it reports an errno.
    if (error) return {{}, error.value()};
    return {path.lexically_normal().string(), 0};
}

} // namespace nullsweep
