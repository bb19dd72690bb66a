// SPDX-License-Identifier: GPL-3.0-or-later
#include "grid/ExportCommands.h"

#include "desktop/DesktopShell.h"
#include "desktop/WaitCancel.h"
#include "export/ExportFormats.h"
#include "rows/GridRows.h"

namespace nullsweep {

namespace {

// The pop-up menu's command as the format table names it.
std::string_view formatName(ExportCommand command) {
    switch (command) {
    case ExportCommand::HTML:
        return "html";
    case ExportCommand::Text:
        return "text";
    case ExportCommand::Excel:
        return "xlsx";
    case ExportCommand::CSV:
        return "csv";
    case ExportCommand::XML:
        return "xml";
    }
    return {};
}

// The grid's rows with a progress line ("N of M rows") and the user's cancel request read
// between rows: a cancel throws out of the writer, which then leaves the old file as it was.
ExportRows watchedRows(ExportRows rows, std::size_t total) {
    return [rows = std::move(rows), total](const ExportRowVisit& visit) {
        ProgressPace pace;
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

void RunExportCommand(ExportCommand command, const TVirtualStringTree& grid, XMLDocument& doc) {
    if (grid.TotalCount() == 0) return;
    const ExportFormat& format = *FindExportFormat(formatName(command));
    TFileInfo info(&doc);
    const ExportRows rows = watchedRows(ExportRowsOf(grid), grid.TotalCount());
    PrepareExport(format, info, rows);
    if (format.windowExport(info, rows))
        Shell().ShowMessage("Export Finished", "Done", MessageIcon::None);
}

} // namespace nullsweep
