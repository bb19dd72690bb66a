// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace nullsweep {

// A path made absolute, or the errno of why the name given names none.
struct AbsolutePathOf {
    std::string path; // empty on an error
    int error = 0;    // 0, or the errno
};

// A folder named on a command line (the window's or `nullsweep scan`'s), or a file named in a
// list of files, as the absolute path every listed path starts with: relative to the current
// folder, with "." and ".." taken lexically as a shell would and "//" as "/". ENOENT for "",
// or why the current folder cannot be read for a relative name whose base is gone.
AbsolutePathOf AbsolutePath(const std::string& given);

} // namespace nullsweep
