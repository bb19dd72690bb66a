// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "scan/FileActions.h"
#include "scan/ResultRow.h"
#include "scan/Trash.h"

#include <cstddef>
#include <functional>
#include <span>
#include <string>

// The window removes rows' files through this one function, shaped like the shared delete
// engine that the command line's --delete and --trash use, so the two can be swapped in one
// place (the alias in MainWindow.cpp).
namespace nullsweep::interim {

enum class TRemoveMode { Delete, Trash };

struct TRemoveCount {
    std::size_t removed = 0, kept = 0, changed = 0, failed = 0;
};

struct TRemoveCallbacks {
    // After each row: its index, what happened, and a reason for changed and failed rows.
    std::function<void(std::size_t index, TDeleteOutcome outcome, const std::string& reason)> onRow;
    // Now and then: rows done so far and the total.
    std::function<void(std::size_t done, std::size_t total)> onProgress;
    // Read between files; true stops the run and leaves the rest untouched.
    std::function<bool()> cancelled;
};

// Deletes (or moves to `trash`) each row's file with the exact check of DeleteListedFile; a
// kept row is left alone unless `includeKept`.
TRemoveCount RemoveRows(std::span<const TResultRow* const> rows, TRemoveMode mode, bool includeKept,
                        TTrash* trash, const TRemoveCallbacks& callbacks);

} // namespace nullsweep::interim
