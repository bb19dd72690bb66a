// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

namespace nullsweep {

// A path cut at its last "/": the folder to open ("." when there is no "/", "/" for a name at
// the root, else everything before the "/") and the name after it.
struct TPathParts {
    std::string_view folder;
    std::string_view name;
};

inline TPathParts SplitPath(std::string_view path) {
    const auto slash = path.rfind('/');
    if (slash == std::string_view::npos) return {".", path};
    return {slash == 0 ? std::string_view("/") : path.substr(0, slash), path.substr(slash + 1)};
}

} // namespace nullsweep
