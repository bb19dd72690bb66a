// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "export/SheetModel.h"

#include <string>

namespace nullsweep {

// Writes `sheet` to `path` as an .xlsx workbook, row after row so that memory does not grow
// with the sheet. Texts are written as texts (never turned into numbers or dates); bytes that
// are not UTF-8 and characters XML does not allow become U+FFFD. Throws ExportError naming
// the file (`shownName`, `path` when empty) and the reason when the workbook cannot be
// written.
void SaveWorkbook(const SheetModel& sheet, const std::string& path,
                  const std::string& shownName = {});

// The width, in characters, that fits `text`: its number of characters, newlines aside.
double FittedWidth(std::string_view text);

} // namespace nullsweep
