// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/WorkbookReader.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>

#include <stdexcept>

namespace nullsweep::test {

WorkbookReader::WorkbookReader(const std::string& path) {
    QProcess reader;
    reader.start(NULLSWEEP_PYTHON,
                 {NULLSWEEP_TEST_SUPPORT_DIR "/read_workbook.py", QString::fromStdString(path)});
    if (!reader.waitForFinished(120000) || reader.exitCode() != 0)
        throw std::runtime_error("openpyxl could not read " + path + ": " +
                                 reader.readAllStandardError().toStdString());
    json_ = QJsonDocument::fromJson(reader.readAllStandardOutput()).object();
}

std::vector<std::string> WorkbookReader::Merged() const {
    std::vector<std::string> ranges;
    for (const auto& range : json_["merged"].toArray())
        ranges.push_back(range.toString().toStdString());
    return ranges;
}

double WorkbookReader::Width(const std::string& column) const {
    return json_["widths"].toObject()[QString::fromStdString(column)].toDouble();
}

QJsonObject WorkbookReader::Cell(const std::string& cell) const {
    return json_["cells"].toObject()[QString::fromStdString(cell)].toObject();
}

std::string WorkbookReader::Value(const std::string& cell) const {
    QJsonValue value = Cell(cell)["value"];
    if (value.isDouble()) return QString::number(value.toDouble()).toStdString();
    return value.toString().toStdString();
}

std::string WorkbookReader::Type(const std::string& cell) const {
    return Cell(cell)["type"].toString().toStdString();
}

std::string WorkbookReader::Horizontal(const std::string& cell) const {
    return Cell(cell)["horizontal"].toString().toStdString();
}

std::string WorkbookReader::Vertical(const std::string& cell) const {
    return Cell(cell)["vertical"].toString().toStdString();
}

bool WorkbookReader::Framed(const std::string& cell) const {
    QJsonArray sides = Cell(cell)["borders"].toArray();
    if (sides.size() != 4) return false;
    for (const auto& side : sides)
        if (side.toString() != "thin") return false;
    return true;
}

bool WorkbookReader::Unframed(const std::string& cell) const {
    for (const auto& side : Cell(cell)["borders"].toArray())
        if (!side.toString().isEmpty()) return false;
    return true;
}

} // namespace nullsweep::test
