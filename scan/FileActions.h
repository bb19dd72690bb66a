// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Version.h"

#include <string>
#include <string_view>

namespace nullsweep {

// The addresses behind OpenWebSite and OpenMailTo.
inline constexpr std::string_view WebSiteAddress = NULLSWEEP_HOMEPAGE;
inline constexpr std::string_view MailToAddress = "mailto:nullsweep@example.org";

// Deletes the file at `path` only if it is, just before the deletion, still a regular file of
// length 0: a file that has grown since the scan, a folder, or a link put in its place is left
// alone. The name is checked and removed relative to a descriptor of its folder, so a link
// swapped in is never followed. Nothing is reported on any outcome, and nothing is thrown.
void DeleteDiskFile(const std::string& path) noexcept;

// The same deletion, telling what happened (for the command line's report).
enum class TDeleteOutcome {
    Deleted,
    Changed,  // no longer an empty regular file: left alone
    Vanished, // nothing there any more
    Failed,   // the system refused (errno tells why)
    Kept,     // meant to be empty, or in use: left alone
};
TDeleteOutcome DeleteEmptyFile(const std::string& path) noexcept;

// The folder part of a path: everything before the last "/", where a "/" right after another
// "/" stays, so "/x.txt" gives "/" and "/a/x.txt" gives "/a". Empty when there is no "/".
std::string_view FolderPartOf(std::string_view path);

// Open the maker's web site and a mail to the maker through Shell(). Both return true.
bool OpenWebSite();
bool OpenMailTo();

} // namespace nullsweep
