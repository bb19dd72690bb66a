// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/SpreadsheetExport.h"

#include "desktop/DesktopShell.h"
#include "export/ColumnLetters.h"
#include "export/FileInfo.h"

#include <exception>
#include <optional>

namespace nullsweep {
namespace {

XMLNode ElementFrom(XMLNode node) {
    while (node && !node.IsElement())
        node = node.NextSibling();
    return node;
}
XMLNode FirstChildElement(const XMLNode& node) {
    return ElementFrom(node.ChildNodes().First());
}
XMLNode NextSiblingElement(const XMLNode& node) {
    return ElementFrom(node.NextSibling());
}

// The element after `node` in document order within `root`: its first child, else the next
// sibling of it or of its nearest ancestor that has one. Walked without recursion, so deep
// nesting cannot exhaust the stack.
XMLNode NextInDocument(XMLNode node, const XMLNode& root) {
    if (XMLNode child = FirstChildElement(node)) return child;
    while (node != root) {
        if (XMLNode sibling = NextSiblingElement(node)) return sibling;
        node = node.ParentNode();
    }
    return {};
}

template <class F> void ForEachElementBelow(const XMLNode& root, F&& f) {
    for (XMLNode node = FirstChildElement(root); node; node = NextInDocument(node, root))
        f(node);
}

std::string WithoutBlanks(std::string name) {
    std::erase(name, ' ');
    return name;
}

// The range from column 1 in `top` to `lastColumn` in `bottom`, such as "A2:F12".
std::string SheetRange(const std::string& lastColumn, std::size_t top, std::size_t bottom) {
    return ColumnLetters("1") + std::to_string(top) + ":" + lastColumn + std::to_string(bottom);
}

} // namespace

std::size_t CountElements(const XMLNode& element) {
    std::size_t count = 0;
    ForEachElementBelow(element, [&count](const XMLNode&) { ++count; });
    return count;
}

namespace {

// Row 0 of the sheet array: "SerialNO" and the column names as stored.
void SetHeaderRow(SheetArray& array, const ExportColumns& columns) {
    array.Set(0, 0, "SerialNO");
    for (std::size_t j = 0; j < columns.size(); ++j)
        array.Set(0, j + 1, columns[j]);
}

std::vector<std::string> AttributeNames(const ExportColumns& columns) {
    std::vector<std::string> attributes;
    for (const std::string& column : columns)
        attributes.push_back(WithoutBlanks(column));
    return attributes;
}

// Numbers the elements below `root` from row `next` on; returns the row after the last.
std::size_t FillSheetRows(SheetArray& array, const XMLNode& root, std::size_t next,
                          const std::vector<std::string>& attributes) {
    const std::size_t count = array.Rows() - 1;
    ForEachElementBelow(root, [&](const XMLNode& element) {
        if (next > count)
            throw std::logic_error("The export document holds more than " + std::to_string(count) +
                                   " elements");
        array.Set(next, 0, std::to_string(next));
        for (std::size_t j = 0; j < attributes.size(); ++j)
            array.Set(next, j + 1, element.Attribute(attributes[j]));
        ++next;
    });
    return next;
}

} // namespace

SheetArray BuildSheetArray(const XMLNode& root, std::size_t count, const ExportColumns& columns) {
    SheetArray array(count + 1, columns.size() + 1);
    SetHeaderRow(array, columns);
    FillSheetRows(array, root, 1, AttributeNames(columns));
    return array;
}

std::size_t TFileInfo::exportRowCount() {
    if (!gathered_) return CountElements(GetRootNode());
    std::size_t rows = 0;
    gathered_([&rows](const TResultRow&, unsigned) { ++rows; });
    return rows;
}

bool TFileInfo::ExportToExcel(const std::string& initialName) {
    if (exportRowCount() + 1 > SpreadsheetRowLimit) {
        Shell().ShowMessage(std::string(RowLimitWarning), "Warning", MessageIcon::Warning);
        return false;
    }
    const std::string path = ChooseExportFile(SpreadsheetFileType, initialName);
    if (path.empty()) return false;
    SaveSpreadsheet(path);
    return true;
}

void TFileInfo::SaveSpreadsheet(const std::string& path) {
    const std::size_t rows = exportRowCount();
    if (rows + 1 > SpreadsheetRowLimit)
        throw ExportError(path + ": " + std::string(RowLimitWarning));

    // Unlike an application that already holds the sheet, ours writes the whole workbook in
    // "SaveAs", so the wait window stays up until the file is saved.
    WaitScope wait(ExportWaitText);
    AutoObject app;
    try {
        app = CreateOleObject("Excel.Application");
    } catch (const AutomationError&) {
        throw ExportError(path + ": Excel is not installed.");
    }

    const std::string lastColumn = ColumnLetters(std::to_string(Columns.size() + 1));
    std::exception_ptr failure;
    try {
        app.Set("ScreenUpdating", false);
        app.Set("Visible", false);
        app.Get("WorkBooks").Call("Add");

        const AutoObject title = app.Get("WorkBooks", 1).Get("WorkSheets", 1).Get("Cells", 1, 1);
        title.Set("Value", TitleFromPath(path));
        title.Set("HorizontalAlignment", -4108LL);
        title.Set("VerticalAlignment", -4108LL);
        title.Get("Font").Set("Bold", true);
        app.Get("WorkBooks", 1)
            .Get("WorkSheets", 1)
            .Get("Range", SheetRange(lastColumn, 1, 1))
            .Call("Merge");

        SheetArray values;
        if (gathered_) {
            values = SheetArray(rows + 1, Columns.size() + 1);
            SetHeaderRow(values, Columns);
            const auto attributes = AttributeNames(Columns);
            std::size_t next = 1;
            forEachGatheredBatch([&](const XMLNode& batch) {
                next = FillSheetRows(values, batch, next, attributes);
            });
        } else {
            values = BuildSheetArray(GetRootNode(), rows, Columns);
        }
        const AutoObject data = app.Get("WorkBooks", 1)
                                    .Get("WorkSheets", 1)
                                    .Get("Range", SheetRange(lastColumn, 2, rows + 2));
        data.Set("Value", std::move(values));
        data.Get("Borders").Set("LineStyle", 1LL);
        data.Get("Columns").Call("AutoFit");
        data.Get("Rows").Call("AutoFit");
    } catch (...) {
        failure = std::current_exception();
    }

    // Whatever was filled is saved, also after a failure; the first failure is the one reported.
    auto attempt = [&failure](auto&& step) {
        try {
            step();
        } catch (...) {
            if (!failure) failure = std::current_exception();
        }
    };
    attempt([&] { app.Get("workBooks", 1).Call("SaveAs", path); });
    attempt([&] { app.Set("ScreenUpdating", true); });
    attempt([&] { app.Get("workBooks", 1).Call("close"); });
    if (!failure) return;
    try {
        std::rethrow_exception(failure);
    } catch (const ExportError&) { // the file could not be written; it is named already
        throw;
    } catch (const std::exception& error) {
        throw ExportError(path + ": " + error.what());
    }
}

} // namespace nullsweep
