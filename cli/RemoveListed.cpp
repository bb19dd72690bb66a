// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/RemoveListed.h"

#include "config/PathParts.h"
#include "grid/GridRows.h"
#include "scan/DeleteJournal.h"
#include "scan/ExactDelete.h"
#include "scan/KeptFiles.h"
#include "scan/Trash.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <string>

namespace nullsweep {

namespace {

// Deletes the row's file once its record stands in the journal: a file is never gone without it.
TDeleteOutcome deleteJournalled(const TResultRow& row, TDeleteJournal* journal,
                                TTouchedFolders* deletedIn) {
    return ActOnListedFile(row, [&](int folder, const std::string& name,
                                    const std::string& realPath, std::uint64_t) {
        if (journal) {
            const std::optional<TJournalRecord> record = ReadJournalRecord(folder, name, realPath);
            if (!record) return -1;
            if (const int error = journal->Add(*record)) {
                errno = error;
                return -1;
            }
        }
        struct stat before {};
        const bool known = deletedIn && ::fstat(folder, &before) == 0;
        if (::unlinkat(folder, name.c_str(), 0) != 0) return -1;
        if (known)
            deletedIn->emplace(SplitPath(realPath).folder,
                               std::pair(before.st_atim, before.st_mtim));
        return 0;
    });
}

} // namespace

TRemoveCount RemoveListed(const TVirtualStringTree& grid, TRemoveMode mode, bool includeKept,
                          TDeleteJournal* journal, TTouchedFolders* deletedIn,
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
            mode == TRemoveMode::Trash ? TrashListedFile(row, trash)
            : journal || deletedIn     ? deleteJournalled(row, journal, deletedIn)
                                       : DeleteListedFile(row);
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
                         std::string(row.Field(TField::FullPath)).c_str(), std::strerror(reason));
            break;
        }
        }
    }
    const char* files = count.removed == 1 ? "file" : "files";
    if (mode == TRemoveMode::Trash)
        std::fprintf(err, "nullsweep scan: moved %zu %s to the trash", count.removed, files);
    else
        std::fprintf(err, "nullsweep scan: deleted %zu %s", count.removed, files);
    std::fprintf(err, "; %zu kept; %zu changed; %zu failed", count.kept, count.changed,
                 count.failed);
    if (journal && journal->Count() > 0) {
        journal->Sync();
        std::fprintf(err, "; journal %s", journal->Path().c_str());
    }
    std::fputc('\n', err);
    return count;
}

} // namespace nullsweep
