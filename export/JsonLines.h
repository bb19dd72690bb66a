// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "export/ExportOutput.h"
#include "export/ExportRows.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace nullsweep {

// JSON Lines for scripts: one object a row, in export order, with the keys "path" (bytes that
// are not UTF-8 become U+FFFD), "path_b64" (only for such a path: base64 of its exact bytes),
// "size" (a number), "created", "accessed", "written" (UTC, "2026-12-08T06:12:53Z", through
// `timeSeconds`; null when a text has no time) and "kept" (the kept reason, or null).
void WriteJsonLines(
    TByteSink& sink, const TExportRows& rows,
    const std::function<std::optional<std::int64_t>(std::string_view)>& timeSeconds);

} // namespace nullsweep
