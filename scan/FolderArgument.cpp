// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan/FolderArgument.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace nullsweep {

std::string AbsolutePath(const std::string& given, std::string& problem) {
    if (given.empty()) {
        problem = std::strerror(ENOENT);
        return {};
    }
    std::error_code error;
    const auto path = std::filesystem::absolute(given, error);
    if (error) {
        problem = error.message();
        return {};
    }
    return path.lexically_normal().string();
}

} // namespace nullsweep
