// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/RemoveListed.h"

#include "cli/MessageText.h"
#include "grid/GridRows.h"
#include "scan/KeptFiles.h"
#include "scan/Trash.h"

#include <string>
#include <vector>

namespace nullsweep {

TRemoveCount RemoveListed(const TVirtualStringTree& grid, TRemoveMode mode, bool includeKept,
                          std::FILE* err) {
    std::vector<const TResultRow*> rows;
    for (const TVirtualNode* node = grid.GetFirst(); node; node = grid.GetNext(node))
        rows.push_back(&RowOf(node));
    TTrash trash(TTrash::HomeTrashPath());
    TRemoveCallbacks callbacks;
    const char* verb = mode == TRemoveMode::Trash ? "move to the trash" : "delete";
    callbacks.onRow = [&](std::size_t index, TDeleteOutcome outcome, const std::string& reason) {
        const TResultRow& row = *rows[index];
        // A kept reason the listing already shows needs no line of its own.
        if (outcome == TDeleteOutcome::Deleted ||
            (outcome == TDeleteOutcome::Kept && !KeptReasonOf(row).empty()))
            return;
        const std::string path = EscapeControls(row.Field(TField::FullPath));
        if (outcome == TDeleteOutcome::Failed)
            std::fprintf(err, "nullsweep scan: cannot %s %s: %s\n", verb, path.c_str(),
                         reason.c_str());
        else
            std::fprintf(err, "nullsweep scan: left %s: %s\n", path.c_str(), reason.c_str());
    };
    const TRemoveCount count = RemoveRows(rows, mode, includeKept, &trash, callbacks);
    const char* files = count.removed == 1 ? "file" : "files";
    if (mode == TRemoveMode::Trash)
        std::fprintf(err, "nullsweep scan: moved %zu %s to the trash", count.removed, files);
    else
        std::fprintf(err, "nullsweep scan: deleted %zu %s", count.removed, files);
    std::fprintf(err, "; %zu kept; %zu changed; %zu failed\n", count.kept, count.changed,
                 count.failed);
    return count;
}

} // namespace nullsweep
