// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Version.h"

#include <string>
#include <string_view>

namespace nullsweep {

// What the save dialog offers for one kind of export: the extension appended to a name typed
// without one (with its dot) and the one filter entry, as "description|pattern".
struct ExportFileType {
    std::string_view defaultExt;
    std::string_view filter;
};

inline constexpr ExportFileType TextFileType{".txt", "Text File|*.txt"};
inline constexpr ExportFileType CsvFileType{".csv", "CSV File|*.csv"};
inline constexpr ExportFileType HtmlFileType{".htm", "HTML File|*.htm"};
// Both cases: file-name patterns are case-sensitive here, and ".xml" is what people write.
inline constexpr ExportFileType XmlFileType{".xml", "XML File|*.xml *.XML"};

inline constexpr std::string_view OverwriteQuestion =
    "Catalog with the same name already exists,overwrite?";
inline constexpr std::string_view ExportWaitText = "Export to file..";
inline constexpr std::string_view GatherWaitText = "Gathering info..";

// The maker's address, named in the HTML footer and the XML root: the web site of the About box.
inline constexpr std::string_view MakerAddress = NULLSWEEP_HOMEPAGE;

// Asks the user for the file to export to, through the desktop shell's save dialog, and, when
// that file exists, whether to overwrite it. Returns the path, or empty when nothing is to be
// written (dialog cancelled, or No). An existing file is not touched here: the writer replaces
// it only once the new file is complete.
std::string ChooseExportFile(std::string_view defaultExt, std::string_view filter,
                             const std::string& initialName);
inline std::string ChooseExportFile(const ExportFileType& type, const std::string& initialName) {
    return ChooseExportFile(type.defaultExt, type.filter, initialName);
}

// The title shown for an export file: the name after the last "/", cut before its first ".".
std::string TitleFromPath(std::string_view path);

} // namespace nullsweep
