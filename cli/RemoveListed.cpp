// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/RemoveListed.h"

#include "scan/ExactDelete.h"

#include <cerrno>
#include <cstring>
#include <string>

namespace nullsweep {

TRemoveCount RemoveListed(const TVirtualStringTree& grid, TRemoveMode mode, std::FILE* err) {
    TRemoveCount count;
    for (PVirtualNode node = grid.GetFirst(); node; node = grid.GetNext(node)) {
        const TResultRow& row = RowOf(node);
        switch (DeleteListedFile(row)) {
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
            std::fprintf(err, "nullsweep scan: cannot delete %s: %s\n",
                         std::string(row.Field(TField::FullPath)).c_str(), std::strerror(reason));
            break;
        }
        }
    }
    std::fprintf(err, "nullsweep scan: %s %zu %s; %zu kept; %zu changed; %zu failed\n",
                 mode == TRemoveMode::Trash ? "moved" : "deleted", count.removed,
                 count.removed == 1 ? "file" : "files", count.kept, count.changed, count.failed);
    return count;
}

} // namespace nullsweep
