// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "rows/GridRows.h"
#include "scan/FileActions.h"
#include "scan/ResultRow.h"
#include "scan/Scan.h"

#include <functional>
#include <map>
#include <string>

namespace nullsweep::test {

// Scans `folder`, runs `between` (the changes made after listing), then acts on every row:
// the outcome for each listed path.
inline std::map<std::string, DeleteOutcome>
ScanThenAct(const std::string& folder, const std::function<void()>& between,
            const std::function<DeleteOutcome(const TResultRow&)>& act) {
    TVirtualStringTree grid;
    ScanFolder(grid, folder);
    between();
    std::map<std::string, DeleteOutcome> outcomes;
    for (PVirtualNode n = grid.GetFirst(); n; n = grid.GetNext(n))
        outcomes[std::string(RowOf(n).Path())] = act(RowOf(n));
    return outcomes;
}

} // namespace nullsweep::test
