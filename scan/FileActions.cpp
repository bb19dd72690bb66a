// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan/FileActions.h"

#include "fs/PathParts.h"

namespace nullsweep {

std::string_view FolderPartOf(std::string_view path) {
    // Text to show, unlike SplitPath's folder to open: empty for a bare name, and the final "/"
    // stays where dropping it would leave nothing or a text ending in "/".
    const std::string_view folder = CutPath(path).folder;
    if (folder.size() <= 1 || folder[folder.size() - 2] == '/') return folder;
    return folder.substr(0, folder.size() - 1);
}

} // namespace nullsweep
