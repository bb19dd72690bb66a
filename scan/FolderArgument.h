// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace nullsweep {

// A folder named on a command line (the window's or `nullsweep scan`'s), or a file named in a
// list of files, as the absolute path every listed path starts with: relative to the current
// folder, with "." and ".." taken lexically as a shell would and "//" as "/". Empty, with
// `problem` set, when it names no path ("", or a relative name whose base is gone).
std::string AbsolutePath(const std::string& given, std::string& problem);

} // namespace nullsweep
