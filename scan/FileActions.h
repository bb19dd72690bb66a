// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

namespace nullsweep {

// What a delete of a listed file did.
enum class DeleteOutcome {
    Deleted,
    Changed,  // no longer an empty regular file: left alone
    Vanished, // nothing there any more
    Failed,   // the system refused (errno tells why)
    Kept,     // meant to be empty, or in use: left alone
};

// The folder part of a path: everything before the last "/", where a "/" right after another
// "/" stays, so "/x.txt" gives "/" and "/a/x.txt" gives "/a". Empty when there is no "/".
std::string_view FolderPartOf(std::string_view path);

} // namespace nullsweep
