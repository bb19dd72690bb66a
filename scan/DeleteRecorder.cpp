// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan/DeleteRecorder.h"

#include "scan/DeleteJournal.h"

#include <sys/stat.h>

#include <cerrno>

namespace nullsweep {

void DeleteRecorder::Attach(RemoveCallbacks& callbacks) {
    if (touched_)
        callbacks.onFolder = [this](int folder, const std::string& path) {
            struct stat st {};
            if (path.empty() || ::fstat(folder, &st) != 0) return;
            const std::lock_guard lock(mutex_);
            touched_->emplace(path, std::pair(st.st_atim, st.st_mtim));
        };
    if (journal_) {
        callbacks.beforeUnlink = [this](int folder, const std::string& name,
                                        const std::string& path, const struct statx& status) {
            std::optional<JournalRecord> record = JournalRecordOf(folder, name, path, status);
            if (!record) return errno ? errno : EIO;
            journal_->Buffer(*record);
            return 0;
        };
        callbacks.recordsDue = [this] { return journal_->Sync(); };
    }
}

} // namespace nullsweep
