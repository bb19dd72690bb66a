// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "scan/FileActions.h"
#include "scan/ResultRow.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace nullsweep {

// What a row remembers so that a delete removes exactly the file that was listed: the folder
// the scan started from (held open), how much of the row's full path names that folder, and
// what tells the file from any other: device, inode, birth time where the file system keeps
// one, and status-change time (a file made again, touched, chmodded or linked has another).
struct TFileIdentity {
    std::uint32_t root = 0;         // from InternScanRoot
    std::uint32_t prefixLength = 0; // bytes of the full path up to and with the root's "/"
    std::uint64_t device = 0;       // makedev of the statx major and minor
    std::uint64_t inode = 0;
    std::int64_t birth = 0;
    std::int64_t changed = 0;
    std::uint32_t birthNanoseconds = 0;
    std::uint32_t changedNanoseconds = 0;
    std::uint32_t hasBirth = 0;
    std::uint32_t reserved = 0;
};

// A scan root as a small number shared by every row found under it: `fd` (any descriptor of
// the folder; a copy is kept) and the folder's path with no link in it (empty when it cannot be
// told). With `hold`, the copy stays open for the life of the process (the folders a user
// scans: a handful); without, only the most recent stay open, and the others are opened again
// from their path and must still be the same folder (a list of files makes each file's folder
// a root: there may be millions). Returns NoScanRoot when the folder cannot be kept.
constexpr std::uint32_t NoScanRoot = 0xFFFFFFFFu;
std::uint32_t InternScanRoot(int fd, const std::string& resolvedPath, bool hold = true);

// A new descriptor (O_PATH) of the root, for the caller to close; -1 with errno set (ESTALE:
// another folder stands at its path now).
int OpenScanRoot(std::uint32_t root);
// The root's path with no link in it; empty when unknown.
std::string ScanRootPath(std::uint32_t root);

// The path with no link in it of the folder open as `fd`, reached as `given`; empty when it
// cannot be told (neither /proc nor the path itself lead to that same folder).
std::string ResolvedFolderPath(int fd, const std::string& given);

// The row slot that holds the identity, and its text there.
constexpr int IdentitySlot = 1;
std::string IdentityText(const TFileIdentity& identity);
// False for a row made without a scan (nothing remembered).
bool GetFileIdentity(const TResultRow& row, TFileIdentity& identity);

// Deletes the row's file if it is still the one listed, as RemoveRows does (kept files too:
// the caller has chosen it). errno tells why on Failed. Never throws.
TDeleteOutcome DeleteListedFile(const TResultRow& row) noexcept;

// renameat2 with RENAME_NOREPLACE; where the file system does not offer it, a look first (for
// a name no one can guess or has claimed). Returns 0, or -1 with errno set.
int RenameNoReplace(int fromFolder, const std::string& from, int toFolder, const std::string& to);

// Opens the folder `relative` ("a/b", "" for `start` itself) below `start` without following
// any link, as O_PATH. With `useOpenat2` false the component-by-component walk is used, which
// is also what happens where openat2 is refused. Returns -1 with errno set; ELOOP, ENOTDIR
// and EXDEV mean something on the way is no longer a plain folder.
int OpenFolderBeneath(int start, std::string_view relative, bool useOpenat2 = true);

} // namespace nullsweep
