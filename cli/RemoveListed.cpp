// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/RemoveListed.h"

#include "cli/MessageText.h"
#include "grid/GridRows.h"
#include "scan/ExactDelete.h"
#include "scan/KeptFiles.h"
#include "scan/Trash.h"

#include <cerrno>
#include <cstring>
#include <string>

namespace nullsweep {

TRemoveCount RemoveListed(const TVirtualStringTree& grid, TRemoveMode mode, bool includeKept,
                          std::FILE* err) {
    TRemoveCount count;
    TTrash trash(TTrash::HomeTrashPath());
    for (const TVirtualNode* node = grid.GetFirst(); node; node = grid.GetNext(node)) {
        const TResultRow& row = RowOf(node);
        if (!includeKept && !KeptReasonOf(row).empty()) {
            ++count.kept;
            continue;
        }
        const TDeleteOutcome outcome =
            mode == TRemoveMode::Trash ? TrashListedFile(row, trash) : DeleteListedFile(row);
        switch (outcome) {
        case TDeleteOutcome::Deleted:
            ++count.removed;
            break;
        case TDeleteOutcome::Changed:
        case TDeleteOutcome::Vanished:
            ++count.changed;
            break;
        case TDeleteOutcome::Failed: {
            const int reason = errno;
            ++count.failed;
            std::fprintf(err, "nullsweep scan: cannot %s %s: %s\n",
                         mode == TRemoveMode::Trash ? "move to the trash" : "delete",
                         EscapeControls(row.Field(TField::FullPath)).c_str(),
                         std::strerror(reason));
            break;
        }
        }
    }
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
