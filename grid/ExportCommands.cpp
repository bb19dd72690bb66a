// SPDX-License-Identifier: GPL-3.0-or-later
#include "grid/ExportCommands.h"

#include "desktop/DesktopShell.h"
#include "desktop/WaitCancel.h"
#include "export/ExportFormats.h"
#include "rows/GridRows.h"

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

// The grid's rows with a progress line ("N of M rows") and the user's cancel request read
// between rows: a cancel throws out of the writer, which then leaves the old file as it was.
TExportRows watchedRows(TExportRows rows, std::size_t total) {
    return [rows = std::move(rows), total](const TExportRowVisit& visit) {
        TProgressPace pace;
        std::size_t done = 0;
        rows([&](const TResultRow& row, unsigned depth) {
            ThrowIfCancelled();
            if (pace.Due())
                SetWaitText(std::to_string(done) + " of " + std::to_string(total) + " rows");
            visit(row, depth);
            ++done;
        });
        ThrowIfCancelled();
    };
}

} // namespace

void RunExportCommand(TExportCommand command, const TVirtualStringTree& grid, TXMLDocument& doc) {
    if (grid.TotalCount() == 0) return;
    const TExportFormat& format = *FindExportFormat(formatName(command));
    TFileInfo info(&doc);
    const TExportRows rows = watchedRows(ExportRowsOf(grid), grid.TotalCount());
    PrepareExport(format, info, rows);
    if (format.windowExport(info, rows))
        Shell().ShowMessage("Export Finished", "Done", TMessageIcon::None);
}

} // namespace nullsweep
