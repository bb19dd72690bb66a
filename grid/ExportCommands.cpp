// SPDX-License-Identifier: GPL-3.0-or-later
#include "grid/ExportCommands.h"

#include "desktop/DesktopShell.h"
#include "export/ExportFormats.h"
#include "grid/GridRows.h"

namespace nullsweep {

namespace {

// The pop-up menu's command as the format table names it.
std::string_view formatName(TExportCommand command) {
    switch (command) {
    case TExportCommand::HTML:
        return "html";
    case TExportCommand::Text:
        return "text";
    case TExportCommand::Excel:
        return "xlsx";
    case TExportCommand::CSV:
        return "csv";
    case TExportCommand::XML:
        return "xml";
    }
    return {};
}

} // namespace

void RunExportCommand(TExportCommand command, const TVirtualStringTree& grid, TXMLDocument& doc) {
    if (grid.TotalCount() == 0) return;
    const TExportFormat& format = *FindExportFormat(formatName(command));
    TFileInfo info(&doc);
    FillExportColumns(info.Columns);
    const TExportRows rows = ExportRowsOf(grid);
    if (format.gathersDocument) {
        info.InitDocument();
        info.GatherInfo(rows);
    }
    if (format.windowExport(info, rows))
        Shell().ShowMessage("Export Finished", "Done", TMessageIcon::None);
}

} // namespace nullsweep
