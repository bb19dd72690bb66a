// SPDX-License-Identifier: GPL-3.0-or-later
#include "grid/ExportCommands.h"

#include "config/ConfigStore.h"
#include "export/FileInfo.h"
#include "scan/DesktopShell.h"

namespace nullsweep {

void FillExportColumns(TExportColumns& list) {
    const TXMLNodesType nodes = ConfigStore()->Root().nodes();
    for (int i = 0; i < nodes.Count(); ++i) {
        const TXMLNodeType node = nodes.Item(i);
        if (node.Visible()) list.push_back(node.Name());
    }
}

void RunExportCommand(TExportCommand command, const TVirtualStringTree& grid, TXMLDocument& doc) {
    if (grid.TotalCount() == 0) return;
    TFileInfo info(&doc);
    FillExportColumns(info.Columns);
    bool written = false;
    switch (command) {
    case TExportCommand::CSV:
        written = info.ExportToCSV("", ",", grid);
        break;
    case TExportCommand::Text:
        written = info.ExportToText("", std::string(10, ' '), grid);
        break;
    case TExportCommand::HTML:
        written = info.ExportToHTML("", grid);
        break;
    case TExportCommand::XML:
        info.InitDocument();
        info.GatherInfo(grid);
        written = info.ExportToXML("");
        break;
    case TExportCommand::Excel:
        info.InitDocument();
        info.GatherInfo(grid);
        written = info.ExportToExcel("");
        break;
    }
    if (written) Shell().ShowMessage("Export Finished", "Done", TMessageIcon::None);
}

} // namespace nullsweep
