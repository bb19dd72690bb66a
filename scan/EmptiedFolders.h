// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <ctime>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace nullsweep {

class DeleteJournal;

// The folders a delete run deleted files in (absolute real paths), each with its access and
// modification times from before the run changed them, so that a restore gives them back.
using TouchedFolders = std::map<std::string, std::pair<timespec, timespec>>;

// Removes, bottom up, each folder of `folders` that is empty now, and each folder above it that
// this emptied, with rmdir relative to its parent reached without following any link. Never one of
// `roots` (the run's FOLDERs) or anything above them, never a folder of version control, a trash or
// the package manager's state; a folder that got anything meanwhile stays (rmdir itself refuses
// it). Each is recorded in `journal` (when given) before it goes. Returns how many were removed; a
// folder that could not be removed for another reason is passed to `onError` with the errno.
std::size_t RemoveEmptiedFolders(TouchedFolders folders, const std::vector<std::string>& roots,
                                 DeleteJournal* journal,
                                 const std::function<void(const std::string&, int)>& onError);

} // namespace nullsweep
