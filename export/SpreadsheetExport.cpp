// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/SpreadsheetExport.h"

#include "export/ColumnLetters.h"
#include "export/FileInfo.h"
#include "scan/DesktopShell.h"

#include <exception>
#include <optional>

namespace nullsweep {
namespace {

TXMLNode ElementFrom(TXMLNode node) {
    while (node && !node.IsElement())
        node = node.NextSibling();
    return node;
}
TXMLNode FirstChildElement(const TXMLNode& node) {
    return ElementFrom(node.ChildNodes().First());
}
TXMLNode NextSiblingElement(const TXMLNode& node) {
    return ElementFrom(node.NextSibling());
}

// The element after `node` in document order within `root`: its first child, else the next
// sibling of it or of its nearest ancestor that has one. Walked without recursion, so deep
// nesting cannot exhaust the stack.
TXMLNode NextInDocument(TXMLNode node, const TXMLNode& root) {
    if (TXMLNode child = FirstChildElement(node)) return child;
    while (node != root) {
        if (TXMLNode sibling = NextSiblingElement(node)) return sibling;
        node = node.ParentNode();
    }
    return {};
}

template <class F> void ForEachElementBelow(const TXMLNode& root, F&& f) {
    for (TXMLNode node = FirstChildElement(root); node; node = NextInDocument(node, root))
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

std::size_t CountElements(const TXMLNode& element) {
    std::size_t count = 0;
    ForEachElementBelow(element, [&count](const TXMLNode&) { ++count; });
    return count;
}

TSheetArray BuildSheetArray(const TXMLNode& root, std::size_t count,
                            const TExportColumns& columns) {
    TSheetArray array(count + 1, columns.size() + 1);
    array.Set(0, 0, "SerialNO");
    std::vector<std::string> attributes;
    for (std::size_t j = 0; j < columns.size(); ++j) {
        array.Set(0, j + 1, columns[j]);
        attributes.push_back(WithoutBlanks(columns[j]));
    }
    std::size_t k = 0;
    ForEachElementBelow(root, [&](const TXMLNode& element) {
        if (++k > count)
            throw std::logic_error("The export document holds more than " + std::to_string(count) +
                                   " elements");
        array.Set(k, 0, std::to_string(k));
        for (std::size_t j = 0; j < attributes.size(); ++j)
            array.Set(k, j + 1, element.Attribute(attributes[j]));
    });
    return array;
}

bool TFileInfo::ExportToExcel(const std::string& initialName) {
    if (CountElements(GetRootNode()) + 1 > SpreadsheetRowLimit) {
        Shell().ShowMessage(std::string(RowLimitWarning), "Warning", TMessageIcon::Warning);
        return false;
    }
    const std::string path = ChooseExportFile(SpreadsheetFileType, initialName);
    if (path.empty()) return false;
    SaveSpreadsheet(path);
    return true;
}

void TFileInfo::SaveSpreadsheet(const std::string& path) {
    const TXMLNode root = GetRootNode();
    const std::size_t rows = CountElements(root);
    if (rows + 1 > SpreadsheetRowLimit)
        throw TExportError(path + ": " + std::string(RowLimitWarning));

    // Unlike an application that already holds the sheet, ours writes the whole workbook in
    // "SaveAs", so the wait window stays up until the file is saved.
    TWaitScope wait(ExportWaitText);
    TAutoObject app;
    try {
        app = CreateOleObject("Excel.Application");
    } catch (const TAutomationError&) {
        throw TExportError(path + ": Excel is not installed.");
    }

    const std::string lastColumn = ColumnLetters(std::to_string(Columns.size() + 1));
    std::exception_ptr failure;
    try {
        app.Set("ScreenUpdating", false);
        app.Set("Visible", false);
        app.Get("WorkBooks").Call("Add");

        const TAutoObject title = app.Get("WorkBooks", 1).Get("WorkSheets", 1).Get("Cells", 1, 1);
        title.Set("Value", TitleFromPath(path));
        title.Set("HorizontalAlignment", -4108LL);
        title.Set("VerticalAlignment", -4108LL);
        title.Get("Font").Set("Bold", true);
        app.Get("WorkBooks", 1)
            .Get("WorkSheets", 1)
            .Get("Range", SheetRange(lastColumn, 1, 1))
            .Call("Merge");

        TSheetArray values = BuildSheetArray(root, rows, Columns);
        const TAutoObject data = app.Get("WorkBooks", 1)
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
    } catch (const TExportError&) { // the file could not be written; it is named already
        throw;
    } catch (const std::exception& error) {
        throw TExportError(path + ": " + error.what());
    }
}

} // namespace nullsweep
