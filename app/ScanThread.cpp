// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ScanThread.h"

#include "app/OffThreadWork.h"
#include "desktop/WaitCancel.h"

namespace nullsweep {

std::vector<TResultRow> ScanOffThread(const std::vector<std::string>& folders,
                                      const ScanOptions& options) {
    std::vector<TResultRow> rows;
    ScanOptions walkOptions = options;
    ScanProgress before, last;
    // A throw from the progress report ends that walk quietly; one from the sink ends them all.
    walkOptions.onProgress = [&](const ScanProgress& seen) {
        last = seen;
        if (options.onProgress)
            options.onProgress({before.folders + seen.folders, before.files + seen.files,
                                before.rows + seen.rows});
        ThrowIfCancelled();
    };
    try {
        RunOffUiThread([&] {
            for (const std::string& folder : folders) {
                if (CancelRequested()) break;
                last = {};
                WalkFolder(folder, walkOptions, [&](TResultRow&& row) {
                    ThrowIfCancelled();
                    rows.push_back(std::move(row));
                });
                before = {before.folders + last.folders, before.files + last.files,
                          before.rows + last.rows};
            }
        });
    } catch (...) {
        // the rows found so far are kept, as a scan into the grid keeps them
    }
    return rows;
}

} // namespace nullsweep
