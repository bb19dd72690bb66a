// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QJsonObject>

#include <string>
#include <vector>

namespace nullsweep::test {

// A workbook's first sheet as a real reader (openpyxl) sees it. Throws when the reader fails,
// with its message.
class WorkbookReader {
  public:
    explicit WorkbookReader(const std::string& path);

    int MaxRow() const { return json_["max_row"].toInt(); }
    int MaxColumn() const { return json_["max_column"].toInt(); }
    int Sheets() const { return json_["sheets"].toInt(); }
    std::vector<std::string> Merged() const;
    // The custom width of a column ("A"), 0 when it has the default width.
    double Width(const std::string& column) const;

    bool Has(const std::string& cell) const { return Cell(cell).contains("value"); }
    // The cell's text; empty for an empty or absent cell.
    std::string Value(const std::string& cell) const;
    // The type the reader gives the value: "str", "int", "NoneType", ...
    std::string Type(const std::string& cell) const;
    bool Bold(const std::string& cell) const { return Cell(cell)["bold"].toBool(); }
    std::string Horizontal(const std::string& cell) const;
    std::string Vertical(const std::string& cell) const;
    // True when all four sides carry a thin line.
    bool Framed(const std::string& cell) const;
    // True when no side carries a line.
    bool Unframed(const std::string& cell) const;

  private:
    QJsonObject Cell(const std::string& cell) const;
    QJsonObject json_;
};

} // namespace nullsweep::test
