// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "scan/FileActions.h"
#include "scan/ResultRow.h"
#include "scan/Trash.h"

#include <cstddef>
#include <functional>
#include <span>
#include <string>

#include <sys/stat.h>

namespace nullsweep {

enum class RemoveMode { Delete, Trash };

struct RemoveCount {
    std::size_t removed = 0; // deleted, or moved to the trash
    std::size_t kept = 0;    // meant to be empty or in use, left
    std::size_t changed = 0; // no longer the listed empty file, or gone already
    std::size_t failed = 0;  // the system refused, or the row has no identity
};

struct RemoveCallbacks {
    // After each row: its index in `rows`, what happened, and a reason text for
    // kept/changed/failed (empty when removed). Runs on the calling thread.
    std::function<void(std::size_t index, DeleteOutcome outcome, const std::string& reason)> onRow;
    // Now and then (a few times a second at most): rows done so far and the total.
    std::function<void(std::size_t done, std::size_t total)> onProgress;
    // Checked between files; true stops the run (the rest is left untouched).
    std::function<bool()> cancelled;
    // Deletes only. With a folder's descriptor and real path, when its rows begin (before
    // anything in it changed), and with a file checked under its own name before it is renamed
    // away to be unlinked (`path`: its real path; `status`: what that check read, with type,
    // mode, owner, group and times). Files are checked in batches: `recordsDue` comes after a
    // batch's checks and before any of its files is moved. May run on helper threads, several
    // at once. A non-zero errno from `beforeUnlink` leaves that file untouched, from
    // `recordsDue` the whole batch, as failed.
    std::function<void(int folder, const std::string& path)> onFolder;
    std::function<int(int folder, const std::string& name, const std::string& path,
                      const struct statx& status)>
        beforeUnlink;
    std::function<int()> recordsDue;
};

// Removes the rows' files, each only if it is still exactly the file listed: reached from its
// held scan root without following any link, a regular file of length 0 with the listed
// identity, not in use, and still that file once renamed to a private name (a delete) or once
// in the trash (a move there); anything else is put back and counted as changed. Kept rows are
// left unless `includeKept`; a file in use is always left. Rows of one folder are done together
// (the folder opened once for each share of it), so `onRow` may come in another order than
// `rows`. `trash` is needed for RemoveMode::Trash. Shares of folders are done on up to
// `threads` helper threads (0: as the machine suits). Never throws from the file work itself; a
// callback's exception ends the run and passes on.
RemoveCount RemoveRows(std::span<const TResultRow* const> rows, RemoveMode mode, bool includeKept,
                       UserTrash* trash, const RemoveCallbacks& callbacks, unsigned threads = 0);

namespace detail {
// Called between the last check of a file and its move (rename or trash), with its folder and
// name: lets a test put another file there at the worst moment. Null (the default): nothing.
void SetBeforeMoveHook(std::function<void(int folder, const std::string& name)> hook);
} // namespace detail

} // namespace nullsweep
