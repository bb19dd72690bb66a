// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/ExportFile.h"

#include "desktop/DesktopShell.h"
#include "fs/PathParts.h"

#include <sys/stat.h>

namespace nullsweep {

namespace {

// "Text File|*.txt" as the toolkit writes a filter: "Text File (*.txt)".
std::string toolkitFilter(std::string_view filter) {
    const auto bar = filter.find('|');
    if (bar == std::string_view::npos) return std::string(filter);
    return std::string(filter.substr(0, bar)) + " (" + std::string(filter.substr(bar + 1)) + ")";
}

bool exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

} // namespace

std::string ChooseExportFile(std::string_view defaultExt, std::string_view filter,
                             const std::string& initialName) {
    SaveFileRequest request;
    request.defaultSuffix =
        std::string(defaultExt.starts_with('.') ? defaultExt.substr(1) : defaultExt);
    request.filter = toolkitFilter(filter);
    request.initialName = initialName;
    std::string path = Shell().SaveFileName(request);
    if (path.empty()) return {};
    if (exists(path) && !Shell().AskYesNo(std::string(OverwriteQuestion), "Warning")) return {};
    return path;
}

std::string TitleFromPath(std::string_view path) {
    const std::string_view name = CutPath(path).name;
    return std::string(name.substr(0, name.find('.')));
}

} // namespace nullsweep
