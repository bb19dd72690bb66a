// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "scan/EmptiedFolders.h"
#include "scan/RemoveRows.h"

#include <mutex>

namespace nullsweep {

class DeleteJournal;

// What a delete run keeps for its undo: each file's record in `journal`, on disk before the file
// leaves its name, and, in `touched`, the folders it deletes in with their times from before (for
// RemoveEmptiedFolders). Either may be null.
class DeleteRecorder {
  public:
    DeleteRecorder(DeleteJournal* journal, TouchedFolders* touched)
        : journal_(journal), touched_(touched) {}

    // Sets the engine's folder and unlink hooks of `callbacks` to this recorder.
    void Attach(RemoveCallbacks& callbacks);

  private:
    DeleteJournal* journal_;
    TouchedFolders* touched_;
    std::mutex mutex_;
};

} // namespace nullsweep
