// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "scan/FileActions.h"
#include "scan/ResultRow.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace nullsweep {

// What a row remembers so that a delete removes exactly the file that was listed: the folder
// the scan started from (resolved once, when the scan started), how much of the row's full path
// names that folder, and the file's device and inode.
struct TFileIdentity {
    std::uint32_t root = 0;         // from InternScanRoot
    std::uint32_t prefixLength = 0; // bytes of the full path up to and with the root's "/"
    std::uint64_t device = 0;       // makedev of the statx major and minor
    std::uint64_t inode = 0;
};

// A resolved scan root (absolute, no links) as a small number shared by every row found under
// it. The table lives as long as the process: a handful of roots per session.
std::uint32_t InternScanRoot(const std::string& resolvedRoot);

// The row slot that holds the identity, and its text there.
constexpr int IdentitySlot = 1;
std::string IdentityText(const TFileIdentity& identity);
void SetFileIdentity(TResultRow& row, const TFileIdentity& identity);
// False for a row made without a scan (nothing remembered).
bool GetFileIdentity(const TResultRow& row, TFileIdentity& identity);

// What is done to a listed file once it is known to be the one listed: `folder` is a descriptor
// of its folder, `name` its name there, `realPath` where it is (the scan root as resolved, and
// the rest), `device` its device. Returns 0, or -1 with errno set.
using TListedFileAction = std::function<int(int folder, const std::string& name,
                                            const std::string& realPath, std::uint64_t device)>;

// Acts on the row's file if it is still the one listed: reached from its scan root without
// following any link, a regular file of length 0 with the same device and inode; else nothing
// is touched and the outcome is Changed (Vanished when it is gone). A row made without a scan
// is reached from its own folder and only its type and length are checked. errno tells why on
// Failed. Never throws.
TDeleteOutcome ActOnListedFile(const TResultRow& row, const TListedFileAction& act) noexcept;

// ActOnListedFile with unlinkat.
TDeleteOutcome DeleteListedFile(const TResultRow& row) noexcept;

namespace detail {
// Opens the folder `relative` ("a/b", "" for `start` itself) below `start` without following
// any link, as O_PATH. With `useOpenat2` false the component-by-component walk is used, which
// is also what happens where openat2 is refused. Returns -1 with errno set; ELOOP, ENOTDIR
// and EXDEV mean something on the way is no longer a plain folder.
int OpenFolderBeneath(int start, std::string_view relative, bool useOpenat2);
} // namespace detail

} // namespace nullsweep
