// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/RowRemoval.h"

#include "desktop/WaitCancel.h"
#include "scan/ExactDelete.h"
#include "scan/KeptFiles.h"

#include <cerrno>
#include <cstring>

namespace nullsweep::interim {

TRemoveCount RemoveRows(std::span<const TResultRow* const> rows, TRemoveMode mode, bool includeKept,
                        TTrash* trash, const TRemoveCallbacks& callbacks) {
    TRemoveCount count;
    TProgressPace pace;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (callbacks.cancelled && callbacks.cancelled()) break;
        if (callbacks.onProgress && pace.Due()) callbacks.onProgress(i, rows.size());
        const TResultRow& row = *rows[i];
        if (!includeKept && !KeptReasonOf(row).empty()) {
            ++count.kept;
            if (callbacks.onRow)
                callbacks.onRow(i, TDeleteOutcome::Changed, std::string(KeptReasonOf(row)));
            continue;
        }
        errno = 0;
        const TDeleteOutcome outcome = mode == TRemoveMode::Trash && trash
                                           ? TrashListedFile(row, *trash)
                                           : DeleteListedFile(row);
        std::string reason;
        switch (outcome) {
        case TDeleteOutcome::Deleted:
            ++count.removed;
            break;
        case TDeleteOutcome::Vanished:
            break;
        case TDeleteOutcome::Changed:
            ++count.changed;
            reason = "changed since the scan";
            break;
        case TDeleteOutcome::Failed:
            ++count.failed;
            reason = std::strerror(errno);
            break;
        }
        if (callbacks.onRow) callbacks.onRow(i, outcome, reason);
    }
    return count;
}

} // namespace nullsweep::interim
