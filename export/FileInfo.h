// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/XmlDocument.h"
#include "export/DelimitedText.h"
#include "export/ExportRows.h"

#include <functional>
#include <string>

namespace nullsweep {

// One export: the export document (not owned), the column list the grid controller fills (visible
// column names in configuration order, exactly as stored) and the writers. A writer asks for the
// file, shows the wait window while it writes, and returns true when the file was written and false
// when the user cancelled the dialog or declined to overwrite. A file that cannot be written throws
// ExportError; the chosen file is then as it was before.
class TFileInfo {
  public:
    explicit TFileInfo(XMLDocument* doc = nullptr) : Doc(doc) {}

    XMLDocument* Doc;
    ExportColumns Columns;

    bool ExportToText(const std::string& initialName, const std::string& separator,
                      const ExportRows& rows);
    // Values that hold the separator, a double quote or a line break are quoted.
    bool ExportToCSV(const std::string& initialName, const std::string& separator,
                     const ExportRows& rows);
    bool ExportToHTML(const std::string& initialName, const ExportRows& rows);

    // The XML export, in this order: InitDocument, GatherInfo, ExportToXML. It writes every
    // non-empty field of every row, whatever the columns.
    // Resets the export document to the empty template.
    void InitDocument();
    // The document's root element, parsing the document first when it is not open.
    XMLNode GetRootNode();
    // Takes the rows as the document's: one "file" element per row, nested as the rows
    // nest, with one attribute per non-empty field. A million rows would take a gigabyte at
    // once, so the elements are put under the root a batch of rows at a time while the export
    // is written, each batch replacing the last: the rows (and the grid behind them) must stay as
    // they are until then. A document filled otherwise (loaded, say) is written as it stands.
    void GatherInfo(const ExportRows& rows);
    bool ExportToXML(const std::string& initialName);
    // Saves the document over `path` once it is complete.
    void SaveDocument(const std::string& path) const;
    // Writes the document's bytes.
    void WriteDocument(ByteSink& sink) const;

    // The spreadsheet export, after InitDocument and GatherInfo: the export document's rows as
    // an .xlsx workbook (SpreadsheetExport.h). Returns false, having shown a warning and asked
    // nothing, when they do not fit a sheet, and false when the user cancelled the dialog or
    // declined to overwrite.
    bool ExportToExcel(const std::string& initialName);
    // What ExportToExcel does once the file is chosen: writes the workbook over `path`. Throws
    // ExportError when it cannot, naming the file, also when the rows do not fit a sheet.
    void SaveSpreadsheet(const std::string& path);

  private:
    XMLDocument& document() const;
    // The root with the gathered rows under it, a batch at a time: take(root) for each batch,
    // each a run of top-level rows with everything below them. Nothing when none were gathered.
    void forEachGatheredBatch(const std::function<void(const XMLNode& root)>& take) const;
    // The number of rows the export writes: the gathered rows', or the elements below the root.
    std::size_t exportRowCount();

    ExportRows gathered_; // empty until GatherInfo
    bool exportDelimited(const std::string& initialName, const DelimitedFormat& format,
                         const ExportRows& rows, bool csv);
};

} // namespace nullsweep
