// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/RemoveListed.h"

#include "cli/MessageText.h"
#include "rows/GridRows.h"
#include "scan/DeleteJournal.h"
#include "scan/DeleteRecorder.h"
#include "scan/KeptFiles.h"
#include "scan/Trash.h"

#include <string>
#include <vector>

namespace nullsweep {

RemoveCount RemoveListed(const TVirtualStringTree& grid, RemoveMode mode, bool includeKept,
                         DeleteJournal* journal, TouchedFolders* deletedIn, std::FILE* err) {
    std::vector<const TResultRow*> rows;
    for (const VirtualNode* node = grid.GetFirst(); node; node = grid.GetNext(node))
        rows.push_back(&RowOf(node));
    UserTrash trash(UserTrash::HomeTrashPath());
    RemoveCallbacks callbacks;
    const char* verb = mode == RemoveMode::Trash ? "move to the trash" : "delete";
    callbacks.onRow = [&](std::size_t index, DeleteOutcome outcome, const std::string& reason) {
        const TResultRow& row = *rows[index];
        // A kept reason the listing already shows needs no line of its own.
        if (outcome == DeleteOutcome::Deleted ||
            (outcome == DeleteOutcome::Kept && !KeptReasonOf(row).empty()))
            return;
        const std::string path = EscapeControls(row.Path());
        if (outcome == DeleteOutcome::Failed)
            std::fprintf(err, "nullsweep scan: cannot %s %s: %s\n", verb, path.c_str(),
                         reason.c_str());
        else
            std::fprintf(err, "nullsweep scan: left %s: %s\n", path.c_str(), reason.c_str());
    };
    DeleteRecorder recorder(journal, deletedIn);
    recorder.Attach(callbacks);
    const RemoveCount count = RemoveRows(rows, mode, includeKept, &trash, callbacks);
    const char* files = count.removed == 1 ? "file" : "files";
    if (mode == RemoveMode::Trash)
        std::fprintf(err, "nullsweep scan: moved %zu %s to the trash", count.removed, files);
    else
        std::fprintf(err, "nullsweep scan: deleted %zu %s", count.removed, files);
    std::fprintf(err, "; %zu kept; %zu changed; %zu failed", count.kept, count.changed,
                 count.failed);
    if (journal && journal->Count() > 0) {
        journal->Sync();
        std::fprintf(err, "; journal %s", EscapeControls(journal->Path()).c_str());
    }
    std::fputc('\n', err);
    return count;
}

} // namespace nullsweep
