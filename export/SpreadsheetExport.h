// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/XmlDocument.h"
#include "export/Automation.h"
#include "export/ExportFile.h"
#include "export/ExportRows.h"

#include <cstddef>
#include <string_view>

namespace nullsweep {

// The spreadsheet export saves .xlsx workbooks, whose sheets hold 1,048,576 rows: the title,
// the header and at most 1,048,574 rows of the export document (n + 1 <= SpreadsheetRowLimit).
inline constexpr ExportFileType SpreadsheetFileType{".xlsx", "EXCEL File|*.xlsx"};
inline constexpr std::size_t SpreadsheetRowLimit = 1048575;
inline constexpr std::string_view RowLimitWarning = "The row count is out of excel range.";

// The number of elements below `element`, at any depth.
std::size_t CountElements(const XMLNode& element);

// The sheet array for the `count` elements below `root` (CountElements): row 0 holds
// "SerialNO" and the column names as stored; row k the number k and, for each column, the k-th
// element's attribute named like the column with every blank removed (empty when it has none).
// Elements are numbered in document order, a parent before its children.
SheetArray BuildSheetArray(const XMLNode& root, std::size_t count, const ExportColumns& columns);

} // namespace nullsweep
