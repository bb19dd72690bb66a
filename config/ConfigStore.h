// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/CorvaneConfig.h"

#include <string>

namespace nullsweep {

// The one loaded configuration of the process. Construction finds the file (ConfigFileName),
// writes DefaultConfigText there when no file exists, then parses the file from disk, so a
// fresh default is read back the same way as a file the user edited. An existing file is never
// rewritten, compared or repaired. When the default cannot be written there (a read-only
// install), the built-in default is used as it is and Notice says so. Construction throws the
// error of the step that failed: ConfigError (root not `config`), XmlError or XmlParseError.
class TConfig {
  public:
    TConfig();
    TConfig(const TConfig&) = delete;
    TConfig& operator=(const TConfig&) = delete;

    // The same view on every call; it keeps the document alive.
    const TXMLConfigType& Root() const { return root_; }
    // Empty, or one line saying that the default could not be written and the built-in one is
    // used: "FILE: cannot write the default configuration: REASON; using the built-in one".
    const std::string& Notice() const { return notice_; }

    // Computed anew on every call: the file given to UseConfigFile, else
    // "<folder>/CorvaneConfig.xml" with the folder given to UseConfigFolder or, by default,
    // the folder that holds the executable.
    static std::string ConfigFileName();

    // Creates ConfigFileName() with exactly DefaultConfigText. The bytes go to a temporary file
    // in the same folder that is renamed into place, so a failed write leaves no partial file
    // behind; a file that appeared meanwhile is kept. Throws ConfigError naming the file and
    // the reason.
    static void WriteDefaultConfig();

  private:
    std::string notice_;
    TXMLConfigType root_;
};

// The store: with release false, the existing one or a new one (which may throw; a store that
// failed is not kept, so the next call tries again); with release true, destroys the store and
// returns null. Only the one user-interface thread may call it.
TConfig* ConfigStore(bool release = false);

// Makes the store read `path` as it is, never creating it (a missing file is an error), or with
// an empty path go back to the file beside the executable. A store loaded from another place is
// released, so the next ConfigStore call loads from the new one. A relative path is taken from
// the current folder now.
void UseConfigFile(const std::string& path);

// Makes the store look in `folder` instead of the executable's folder (empty: go back to it),
// the default still being written there when missing. Releases a store loaded elsewhere.
void UseConfigFolder(const std::string& folder);

// The folder that holds the running executable, without a trailing "/" (except for "/").
// Throws ConfigError when it cannot be found.
std::string ExecutableFolder();

} // namespace nullsweep
