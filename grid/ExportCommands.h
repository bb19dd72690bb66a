// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/XmlDocument.h"
#include "export/ExportRows.h"
#include "rows/VirtualTree.h"

namespace nullsweep {

// The five commands of the grid's pop-up menu.
enum class ExportCommand { HTML, Text, Excel, CSV, XML };

// Runs one export command on the main window's grid, with the window's export document `doc`:
// on a grid without rows nothing at all; otherwise the export column list is filled, the
// writer runs (asking for the file), and only when it wrote a file the message "Export
// Finished" (caption "Done", no icon) follows. Every row is exported, whatever its check
// state, in the grid's order. While the rows are written the wait window's progress line tells
// how many are done, and the user's cancel request (WaitCancel.h) is read between rows: a
// cancel throws Cancelled out of the writer, so the old file stays as it was. What the
// configuration or a writer throws passes on, with no message.
void RunExportCommand(ExportCommand command, const TVirtualStringTree& grid, XMLDocument& doc);

} // namespace nullsweep
