// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "scan/ResultRow.h"
#include "scan/Scan.h"

#include <string>
#include <vector>

namespace nullsweep {

// Walks each of `folders` in turn on a thread of its own (RunOffUiThread) and returns their rows
// in walk order. Meanwhile the calling (user-interface) thread keeps handling its events, so
// that windows repaint and the wait window moves. The options' callbacks run on the walking
// thread; `onProgress` is given what all the folders walked so far have seen. The user's cancel
// request (WaitCancel.h) ends the walk at the next progress report or row and skips the
// folders left; the rows found until then are returned, as they are after any failure.
std::vector<TResultRow> ScanOffThread(const std::vector<std::string>& folders,
                                      const ScanOptions& options = {});

} // namespace nullsweep
