// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan/EmptiedFolders.h"

#include "fs/OwnedFd.h"
#include "fs/PathParts.h"
#include "scan/DeleteJournal.h"
#include "scan/ExactDelete.h"
#include "scan/FolderReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <set>
#include <tuple>

namespace nullsweep {

namespace {

bool keptFolder(const std::string& path) {
    const std::string with = path + "/";
    for (const char* part : {"/.git/", "/.hg/", "/.svn/", "/.bzr/", "/Trash/", "/.Trash/"})
        if (with.find(part) != std::string::npos) return true;
    return with.find("/.Trash-") != std::string::npos || with.starts_with("/var/lib/dpkg/") ||
           with.starts_with("/var/lib/apt/");
}

// True when `path` is one of `roots` or lies above one (a FOLDER and its way stay).
bool rootOrAbove(const std::string& path, const std::vector<std::string>& roots) {
    for (const std::string& root : roots)
        if (root == path || root.starts_with(path == "/" ? path : path + "/")) return true;
    return false;
}

// True when the folder `name` of `parentFd` holds any entry. Such a folder stays: the rmdir
// would refuse it too, but only after the journal took a record of a folder never removed.
bool holdsEntries(int parentFd, const char* name) {
    FolderReader reader(parentFd, name, /*followLink=*/false);
    FolderReader::Entry entry;
    while (reader.Next(entry))
        if (entry.name != "." && entry.name != "..") return true;
    return false;
}

// The folder's name removed from its parent, reached from "/" without links. 0 or an errno.
int removeFolder(const std::string& path, TouchedFolders& folders, DeleteJournal* journal) {
    const PathParts parts = SplitPath(path);
    const OwnedFd top(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (top.get() < 0) return errno;
    const OwnedFd parent(OpenFolderBeneath(top.get(), std::string_view(parts.folder).substr(1)));
    if (parent.get() < 0) return errno;
    const std::string name(parts.name);
    std::optional<JournalRecord> record = ReadJournalRecord(parent.get(), name, path);
    struct stat st {};
    if (!record || ::fstat(parent.get(), &st) != 0) return errno;
    if (!record->folder) return ENOTDIR;
    if (holdsEntries(parent.get(), name.c_str())) return ENOTEMPTY;
    // The times it had before this run took its files (or folders) away.
    if (const auto it = folders.find(path); it != folders.end())
        std::tie(record->accessed, record->written) = it->second;
    if (journal)
        if (const int error = journal->Add(*record)) return error;
    if (::unlinkat(parent.get(), name.c_str(), AT_REMOVEDIR) != 0) return errno;
    folders.emplace(std::string(parts.folder), std::pair(st.st_atim, st.st_mtim));
    return 0;
}

} // namespace

std::size_t RemoveEmptiedFolders(TouchedFolders folders, const std::vector<std::string>& roots,
                                 DeleteJournal* journal,
                                 const std::function<void(const std::string&, int)>& onError) {
    // Deepest first, so that a parent is tried once its emptied children are gone.
    std::set<std::string, std::greater<>> pending;
    for (const auto& [path, times] : folders)
        pending.insert(path);
    std::size_t removed = 0;
    while (!pending.empty()) {
        const std::string path = *pending.begin();
        pending.erase(pending.begin());
        if (path.empty() || path[0] != '/' || path == "/" || rootOrAbove(path, roots) ||
            keptFolder(path))
            continue;
        const int error = removeFolder(path, folders, journal);
        if (error == 0) {
            ++removed;
            pending.insert(std::string(SplitPath(path).folder));
        } else if (error != ENOTEMPTY && error != EEXIST && error != ENOENT && onError) {
            onError(path, error);
        }
    }
    return removed;
}

} // namespace nullsweep
