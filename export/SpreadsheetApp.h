// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "export/Automation.h"

namespace nullsweep {

// A new spreadsheet application: an invisible object model of workbooks with one sheet each,
// offering the members the spreadsheet export calls, by these names (any letter case):
//
//   application  ScreenUpdating, Visible (set; there is no screen, so they change nothing);
//                WorkBooks() gives the workbook collection, WorkBooks(i) its i-th workbook
//   collection   Add() appends a new workbook and gives it
//   workbook     WorkSheets(1) gives its sheet; SaveAs(path) writes it as an .xlsx workbook,
//                replacing `path` only once the new file is complete; close() discards it
//   sheet        Cells(row, column) and Range("A1:F12") give ranges (numbers from 1)
//   range        Value (set from one text, which fills the range, or from a SheetArray of the
//                range's size); HorizontalAlignment and VerticalAlignment (set: -4108 centre,
//                -4131 left, -4152 right, 1 general; -4160 top, -4107 bottom); Font() gives the
//                font, whose Bold is set; Merge(); Borders() gives the borders, whose LineStyle
//                1 draws thin lines around every cell of the range (-4142 removes them);
//                Columns() and Rows() give the range's columns or rows, whose AutoFit() fits
//                the column widths to the longest text in the range (rows: single-line texts
//                in the default font already have the fitted height)
//
// Anything else throws AutomationError naming the object and the member.
AutoObject CreateSpreadsheetApp();

} // namespace nullsweep
