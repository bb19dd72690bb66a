// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "scan/ResultRow.h"
#include "scan/Scan.h"

#include <string>
#include <vector>

namespace nullsweep {

// Walks each of `folders` in turn on a thread of its own and returns their rows in walk order.
// Meanwhile the calling (user-interface) thread keeps handling paint, timer and other
// non-input events, so that windows repaint and the wait window moves; mouse and keyboard
// input wait until the walk has returned. The options' callbacks run on the walking thread.
std::vector<TResultRow> ScanOffThread(const std::vector<std::string>& folders,
                                      const ScanOptions& options = {});

} // namespace nullsweep
