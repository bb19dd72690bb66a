// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ScanThread.h"

#include <QEventLoop>
#include <QMetaObject>

#include <thread>

namespace nullsweep {

std::vector<TResultRow> ScanOffThread(const std::vector<std::string>& folders,
                                      const ScanOptions& options) {
    std::vector<TResultRow> rows;
    QEventLoop loop;
    std::thread walker([&] {
        try {
            for (const std::string& folder : folders)
                WalkFolder(folder, options,
                           [&](TResultRow&& row) { rows.push_back(std::move(row)); });
        } catch (...) {
            // the rows found so far are kept, as a scan into the grid keeps them
        }
        // Queued: delivered once the loop runs, even if the walk ends before it starts.
        QMetaObject::invokeMethod(
            &loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    });
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    walker.join();
    return rows;
}

} // namespace nullsweep
