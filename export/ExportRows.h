// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "scan/ResultRow.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace nullsweep {

// The export column list: column names exactly as the configuration stores them.
using ExportColumns = std::vector<std::string>;

// Appends the export column list to `list`: the Name of every column entry of the
// configuration whose Visible is true, in configuration order, exactly as stored. The window's
// exports and the command line's both take their columns from here. Throws what loading the
// configuration throws.
void FillExportColumns(ExportColumns& list);

// The field each export column writes: FieldIndexOf of its name (trimmed; no match gives the
// file name).
std::vector<std::uint8_t> ExportFields(const ExportColumns& columns);

// One row an export writes, with its depth: 0 for a top-level row, 1 for a row below it.
using ExportRowVisit = std::function<void(const TResultRow& row, unsigned depth)>;

// The rows an export writes: a call visits each row once, whatever its check state, in the order
// the grid shows them and in pre-order (a row, the rows below it, then its next sibling).
using ExportRows = std::function<void(const ExportRowVisit& visit)>;

} // namespace nullsweep
