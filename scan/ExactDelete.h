// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "scan/FileActions.h"
#include "scan/ResultRow.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace nullsweep {

// A scan root as a small number shared by every row found under it: `fd` (any descriptor of
// the folder; a copy is kept) and the folder's path with no link in it (empty when it cannot be
// told). With `hold`, the copy stays open for the life of the process (the folders a user
// scans: a handful); without, only the most recent stay open, and the others are opened again
// from their path and must still be the same folder (a list of files makes each file's folder
// a root: there may be millions). Returns NoScanRoot when the folder cannot be kept.
std::uint32_t InternScanRoot(int fd, const std::string& resolvedPath, bool hold = true);

// A new descriptor (O_PATH) of the root, for the caller to close; -1 with errno set (ESTALE:
// another folder stands at its path now).
int OpenScanRoot(std::uint32_t root);
// The root's path with no link in it; empty when unknown.
std::string ScanRootPath(std::uint32_t root);

// The path with no link in it of the folder open as `fd`, reached as `given`; empty when it
// cannot be told (neither /proc nor the path itself lead to that same folder).
std::string ResolvedFolderPath(int fd, const std::string& given);

// The row's identity; false for a row made without a scan root (nothing remembered).
bool GetFileIdentity(const TResultRow& row, FileIdentity& identity);

// Deletes the row's file if it is still the one listed, as RemoveRows does (kept files too:
// the caller has chosen it). errno tells why on Failed; what cannot be told as an errno is thrown.
DeleteOutcome DeleteListedFile(const TResultRow& row);

// renameat2 with RENAME_NOREPLACE; where the file system does not offer it, a look first (for
// a name no one can guess or has claimed). Returns 0, or -1 with errno set.
int RenameNoReplace(int fromFolder, const std::string& from, int toFolder, const std::string& to);

// Opens the folder `relative` ("a/b", "" for `start` itself) below `start` without following
// any link, as O_PATH. With `useOpenat2` false the component-by-component walk is used, which
// is also what happens where openat2 is refused. Returns -1 with errno set; ELOOP, ENOTDIR
// and EXDEV mean something on the way is no longer a plain folder.
int OpenFolderBeneath(int start, std::string_view relative, bool useOpenat2 = true);

} // namespace nullsweep
