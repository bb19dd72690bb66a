// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/FileInfo.h"

#include "desktop/DesktopShell.h"
#include "export/ExportFile.h"
#include "export/HtmlPage.h"

namespace nullsweep {

bool TFileInfo::ExportToText(const std::string& initialName, const std::string& separator,
                             const ExportRows& rows) {
    return exportDelimited(initialName, {separator, false, true}, rows, false);
}

bool TFileInfo::ExportToCSV(const std::string& initialName, const std::string& separator,
                            const ExportRows& rows) {
    return exportDelimited(initialName, {separator, true, true}, rows, true);
}

bool TFileInfo::exportDelimited(const std::string& initialName, const DelimitedFormat& format,
                                const ExportRows& rows, bool csv) {
    const std::string path = ChooseExportFile(csv ? CsvFileType : TextFileType, initialName);
    if (path.empty()) return false;
    WaitScope wait(ExportWaitText);
    ReplaceFile(path, [&](ByteSink& sink) { WriteDelimited(sink, rows, Columns, format); });
    return true;
}

bool TFileInfo::ExportToHTML(const std::string& initialName, const ExportRows& rows) {
    const std::string path = ChooseExportFile(HtmlFileType, initialName);
    if (path.empty()) return false;
    WaitScope wait(ExportWaitText);
    const std::string title = TitleFromPath(path);
    ReplaceFile(path, [&](ByteSink& sink) { WriteHTML(sink, rows, Columns, title); });
    return true;
}

} // namespace nullsweep
