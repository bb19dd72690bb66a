// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "scan/FileRow.h"
#include "scan/FolderHandles.h"
#include "scan/FolderReader.h"
#include "scan/StatusStore.h"

#include <sys/types.h>

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace nullsweep {

// One entry of a listing worth a look by the walk, in listing order: an empty regular file, a
// folder to enter or an entry that could not be read.
struct ListedEntry {
    enum Kind : std::uint8_t { File, Folder, Failed };
    Kind kind;
    int error;           // Failed: the errno
    std::uint32_t name;  // offset of its NUL-ended name in the folder's `names`
    std::uint32_t child; // Folder: index in the folder's `children`; File: see StatusOf
};

// A folder of the walk, listed whole by whichever thread gets to it first. Folders own their
// children; a parent outlives the listing of each of its children, since the walk leaves a
// folder only after every child is listed.
struct ListedFolder : std::enable_shared_from_this<ListedFolder> {
    enum class State : std::uint8_t { Waiting, Listing, Listed };

    ListedFolder* parent = nullptr; // null for the root
    std::string name;               // in the parent
    State state = State::Waiting;   // guarded by the walk's lock

    // Known once listed:
    dev_t device = 0;
    ino_t inode = 0;
    int openError = 0;          // it could not be opened (ENOENT: it is gone, nothing missed)
    int readError = 0;          // the listing ended early
    std::exception_ptr failure; // why it could not be listed whole (no memory, mostly)
    std::uint64_t entryCount = 0;
    KeptFiles::RepositoryMarks marks; // what the listing showed of a git repository
    std::vector<ListedEntry> entries;
    std::string names;
    std::vector<std::shared_ptr<ListedFolder>> children;
    std::vector<FileStatus> statuses; // of its empty files, apart: most entries need none
    // A big folder's statuses, shared out in pieces: each piece of status calls put its empty
    // files' statuses in one run of `store`, starting at `starts[piece]`. Putting them in
    // listing order would be a pass over all of them on one thread.
    struct SharedStatuses {
        StatusStore store;
        std::vector<std::uint32_t> starts;
    };
    std::unique_ptr<SharedStatuses> shared; // apart: most folders are small

    // The status of the file entry whose `child` is `file`.
    const FileStatus& StatusOf(std::uint32_t file) const {
        if (!shared) return statuses[file];
        return shared->store[shared->starts[file / StatusPieceSize] + file % StatusPieceSize];
    }
    // Status calls one thread makes in a row when a big folder's are shared out: a file's
    // `child` is then its piece times this plus its place in the piece.
    static constexpr std::uint32_t StatusPieceSize = 1024;
};

// What decides which entries a listing keeps and which folders it enters.
struct ListingRules {
    bool oneFileSystem = false;
    dev_t rootDevice = 0;
    const std::vector<std::string>* excludes = nullptr;
    // Runs job(0) ... job(chunks - 1), on other threads too when they are idle, and returns
    // once all are done; null: on the calling thread alone. A big folder's status calls are
    // shared out this way.
    std::function<void(std::size_t chunks, const std::function<void(std::size_t)>& job)> share;
};

// What a listing needs only while it reads, kept by each listing thread from one folder to the
// next: a walk then does not fault in fresh memory for every folder.
struct ListingScratch {
    // An entry still to be looked at, and what its status call made of it.
    struct Pending {
        std::uint32_t name; // offset in `names`
        unsigned char type;
        std::int64_t verdict;
    };
    struct ByInode {
        ino_t inode;
        std::uint32_t name; // offset in `names`
        std::uint32_t pendingIndex;
    };
    std::string names;
    std::vector<Pending> pending;
    std::vector<ByInode> order;
    std::vector<FileStatus> statuses;

    // Lets go of what a big folder grew: kept by every listing thread, the buffers of a few
    // folders of 100,000 entries would outweigh the rows of the whole scan.
    void ReleaseBig();
};

// True when the open `fd` lies on a pseudo file system.
bool OnPseudoFileSystem(int fd);

// What the status call of an entry found; a failed call gives minus its errno instead.
enum EntryFound : int { OtherEntry = 0, FolderEntry = 1, EmptyFileEntry = 2 };
// The status of `name` in the open folder `fd` (on `folderDevice`), links not followed. An
// empty regular file fills `status`; one mounted there from a pseudo file system is an other
// entry.
int StatEntry(int fd, const char* name, std::uint64_t folderDevice, FileStatus& status);

// The exact-delete identity of the files below the folder open as `fd`, reached as `path`
// (what of their paths names it); none when the folder cannot be kept. `hold` as for
// InternScanRoot.
std::optional<FileIdentity> ScanRootIdentity(int fd, const std::string& path, bool hold);

// Reads the whole listing of the open `reader` into `folder` (whose device is set), with the
// status of each regular file or entry of unknown type. `folderSize` (the folder's st_size, 0
// when unknown) sizes the room for the listing up front.
void ReadListing(ListedFolder& folder, FolderReader& reader, const ListingRules& rules,
                 ListingScratch& scratch, std::uint64_t folderSize = 0);

// Opens the folder below its (listed) parent and reads it; on success with sub-folders, its
// descriptor is kept in `handles` for them. Never throws.
void ListFolder(const std::shared_ptr<ListedFolder>& folder, FolderHandles& handles,
                const ListingRules& rules, ListingScratch& scratch) noexcept;

} // namespace nullsweep
