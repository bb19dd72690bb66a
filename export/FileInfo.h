// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "export/DelimitedText.h"
#include "export/ExportRows.h"

#include <string>

namespace nullsweep {

// One export: the column list the grid controller fills (visible column names in
// configuration order, exactly as stored) and the writers. A writer asks for the file, shows
// the wait window while it writes, and returns true when the file was written and false when
// the user cancelled the dialog or declined to overwrite. A file that cannot be written throws
// TExportError; the chosen file is then as it was before.
class TFileInfo {
  public:
    TExportColumns Columns;

    bool ExportToText(const std::string& initialName, const std::string& separator,
                      const TVirtualStringTree& grid);
    // Values that hold the separator, a double quote or a line break are quoted.
    bool ExportToCSV(const std::string& initialName, const std::string& separator,
                     const TVirtualStringTree& grid);
    bool ExportToHTML(const std::string& initialName, const TVirtualStringTree& grid);

    // The text and CSV body: the header line and one line per row, each ended by a line feed.
    std::string BuildDelimitedText(const std::string& separator, const TVirtualStringTree& grid,
                                   bool csvQuoting = false) const;
    // The page, titled after `path`, without its line end.
    std::string BuildHTML(const TVirtualStringTree& grid, const std::string& path) const;

  private:
    bool exportDelimited(const std::string& initialName, const TDelimitedFormat& format,
                         const TVirtualStringTree& grid, bool csv);
};

} // namespace nullsweep
