// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

namespace nullsweep {

struct PathParts {
    std::string_view folder;
    std::string_view name;
};

// A path cut just after its last "/": the folder part keeps that "/" and is empty when there is
// none, so that folder + name is the path again (for names made beside a file).
inline PathParts CutPath(std::string_view path) {
    const std::size_t start = path.rfind('/') + 1; // npos + 1 is 0: no folder part
    return {path.substr(0, start), path.substr(start)};
}

// The same cut with the folder as one opens it: "." when there is no "/", "/" for a name at the
// root, else everything before the last "/".
inline PathParts SplitPath(std::string_view path) {
    const PathParts cut = CutPath(path);
    if (cut.folder.size() <= 1) return {cut.folder.empty() ? "." : cut.folder, cut.name};
    return {cut.folder.substr(0, cut.folder.size() - 1), cut.name};
}

} // namespace nullsweep
