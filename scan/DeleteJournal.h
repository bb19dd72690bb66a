// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fs/OwnedFd.h"

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
#include <ctime>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace nullsweep {

// What a deleted empty file (or a folder a delete emptied) needs to stand again as it stood:
// its place, its type, mode, owner and group, access and modification times and extended
// attributes (POSIX ACLs are among them). An empty file holds nothing else.
struct JournalRecord {
    std::string path; // absolute, as the bytes the file system gave
    bool folder = false;
    mode_t mode = 0; // permission bits with set-id and sticky bits
    uid_t owner = 0;
    gid_t group = 0;
    timespec accessed{};
    timespec written{};
    std::vector<std::pair<std::string, std::string>> attributes; // name, value bytes
};

// The record of `name` in the folder `folder` (a descriptor) as it stands now, links not
// followed; `path` is where it is. Returns nullopt with errno set when it cannot be read.
std::optional<JournalRecord> ReadJournalRecord(int folder, const std::string& name,
                                               const std::string& path);
// The same from a status of it just read (type, mode, owner, group and times asked for): only
// its extended attributes are read.
std::optional<JournalRecord> JournalRecordOf(int folder, const std::string& name,
                                             const std::string& path, const struct statx& status);

// One line of JSON Lines for a record, ending in "\n"; ReadJournalLine reads it back
// (nullopt for a line that is not one).
std::string JournalLine(const JournalRecord& record);
std::optional<JournalRecord> ReadJournalLine(std::string_view line);

// The folder that holds this user's journals: $XDG_STATE_HOME/nullsweep/deleted when
// XDG_STATE_HOME is an absolute path, else $HOME/.local/state/nullsweep/deleted; empty when
// neither is known.
std::string JournalFolder();

// The newest journal in `folder`, empty when there is none.
std::string LatestJournal(const std::string& folder);

// The journal of one delete run: a new file, mode 0600, in a folder of the user's own (made
// when missing, 0700), named by the time the run started so that names sort by age. Journals
// older than 30 days are removed when a run starts. A delete run syncs each batch of records
// before any file of the batch leaves its name (DeleteRecorder), so neither a signal nor a
// power cut loses the record of a file already gone.
class DeleteJournal {
  public:
    // Throws std::runtime_error naming the folder or file and the reason.
    explicit DeleteJournal(const std::string& folder);
    ~DeleteJournal();
    DeleteJournal(const DeleteJournal&) = delete;
    DeleteJournal& operator=(const DeleteJournal&) = delete;

    const std::string& Path() const { return path_; }
    // Writes the record now, with any buffered before it. Returns 0, or the errno of the
    // failure: the caller must then not delete the file. Safe to call from several threads.
    int Add(const JournalRecord& record);
    // Keeps the record for the next Flush (or Add): a run takes its files in batches, one
    // write for each batch, written before any file of the batch leaves its name.
    void Buffer(const JournalRecord& record);
    // Writes what is buffered. 0, or the errno of the failure; once a write failed, every
    // later Add and Flush fails too (records that were buffered by others may be lost).
    int Flush();
    // Writes what is buffered and waits until every record written is on disk. 0, or the
    // errno of the failure.
    int Sync();
    std::size_t Count() const;
    // Records known to be on disk.
    std::size_t SyncedCount() const;

  private:
    int writeLocked(); // with mutex_ held

    std::string path_;
    OwnedFd fd_;
    mutable std::mutex mutex_;
    std::string buffer_;
    std::size_t buffered_ = 0;
    std::size_t count_ = 0;
    std::size_t synced_ = 0;
    int error_ = 0;
};

// Removes the journals in `folder` written before `cutoff` (seconds since the epoch).
void PruneJournals(const std::string& folder, std::time_t cutoff);

} // namespace nullsweep
