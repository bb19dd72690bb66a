// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "export/ExportOutput.h"
#include "export/ExportRows.h"

namespace nullsweep {

// JSON Lines for scripts: one object a row, in export order, with the keys "path" (bytes that
// are not UTF-8 become U+FFFD), "path_b64" (only for such a path: base64 of its exact bytes),
// "size" (a number), "created", "accessed", "written" (UTC, "2026-12-08T06:12:53Z"; null for
// an empty row and outside the years 0001 to 9999) and "kept" (the kept reason, or null). The
// process's time zone plays no part.
void WriteJsonLines(ByteSink& sink, const ExportRows& rows);

} // namespace nullsweep
