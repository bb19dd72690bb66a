// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/UndoDelete.h"

#include "scan/FilesFrom.h"
#include "scan/Scan.h"

#include <cstdio>
#include <memory>
#include <set>

namespace nullsweep {

UndoResult UndoDeleteRun(const std::string& journal) {
    UndoResult result;
    std::vector<std::string> made;
    RestoreOptions options;
    options.onRestored = [&](const std::string& path) { made.push_back(path); };
    options.onProblem = [&](const std::string& path, const std::string& why) {
        result.problems.push_back(path + ": " + why);
    };
    const std::vector<JournalRecord> records = ReadJournal(journal, {});
    result.count = RestoreRecords(records, options);
    // Folders come back with their files; only the files are listed again.
    const std::set<std::string> restored(made.begin(), made.end());
    std::string list;
    for (const JournalRecord& record : records)
        if (!record.folder && restored.count(record.path)) list.append(record.path).push_back('\0');
    if (list.empty()) return result;
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> stream(
        ::fmemopen(list.data(), list.size(), "r"), &std::fclose);
    if (stream)
        ScanFileList(stream.get(), true, {},
                     [&](TResultRow&& row) { result.rows.push_back(std::move(row)); });
    return result;
}

std::string UndoSummary(const RestoreCount& count) {
    return "Restored " + std::to_string(count.restored) +
           (count.restored == 1 ? " file; " : " files; ") + std::to_string(count.already) +
           " already there; " + std::to_string(count.failed) + " failed";
}

} // namespace nullsweep
