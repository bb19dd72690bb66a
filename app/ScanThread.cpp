// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ScanThread.h"

#include "app/OffThreadWork.h"
#include "desktop/WaitCancel.h"

#include <new>

namespace nullsweep {

std::vector<TResultRow> ScanOffThread(const std::vector<std::string>& folders,
                                      const ScanOptions& options, std::string* stopped) {
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
    // The rows found so far are kept, as a scan into the grid keeps them. The user's cancel
    // (which the walk may pass on in its own words) is no failure.
    const auto tell = [&](const char* why) {
        if (stopped && !CancelRequested()) *stopped = why;
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
    } catch (const std::bad_alloc&) {
        tell("not enough memory");
    } catch (const std::exception& e) {
        tell(e.what());
    }
    return rows;
}

} // namespace nullsweep
