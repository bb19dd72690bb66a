// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/XmlExport.h"

#include "export/ExportFile.h"
#include "export/FileInfo.h"

#include <algorithm>
#include <stdexcept>
#include <utility>
#include <vector>

namespace nullsweep {

std::string ExportDocumentTemplate() {
    return "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\" ?> <fileinfo generated=\"" +
           std::string(MakerAddress) + "\"></fileinfo>";
}

const std::array<std::string, FieldCount>& XmlAttributeNames() {
    static const std::array<std::string, FieldCount> names = [] {
        std::array<std::string, FieldCount> result;
        for (int i = 0; i < FieldCount; ++i) {
            result[i] = std::string(FieldNames[i]);
            std::erase(result[i], ' ');
        }
        return result;
    }();
    return names;
}

TXMLDocument& TFileInfo::document() const {
    if (!Doc) throw std::logic_error("the export has no XML document");
    return *Doc;
}

void TFileInfo::InitDocument() {
    document().SetXML(ExportDocumentTemplate());
}

TXMLNode TFileInfo::GetRootNode() {
    document().Open(); // parses the source only when the document is not open
    return document().DocumentElement();
}

void TFileInfo::GatherInfo(const TVirtualStringTree& grid) {
    TWaitScope wait(GatherWaitText);
    const TXMLNode root = GetRootNode();
    root.ChildNodes().Clear();
    const auto& attributes = XmlAttributeNames();
    // The elements of the current row's ancestors, so that each row's element goes under its
    // parent's while the rows are visited in pre-order.
    std::vector<std::pair<PVirtualNode, TXMLNode>> open{{grid.RootNode(), root}};
    std::string value;
    ForEachExportRow(grid, [&](PVirtualNode node, const TResultRow& row) {
        while (open.back().first != node->Parent)
            open.pop_back();
        TXMLNode element = open.back().second.AddChild("file");
        const TResultRow::Texts slots = row.AllSlots();
        for (int field = 0; field < FieldCount; ++field) {
            const std::string_view text = slots[TResultRow::FirstFieldSlot + field];
            if (text.empty()) continue;
            value.assign(text);
            element.SetAttribute(attributes[field], value);
        }
        if (node->ChildCount() > 0) open.emplace_back(node, std::move(element));
    });
}

bool TFileInfo::ExportToXML(const std::string& initialName) {
    const std::string path = ChooseExportFile(XmlFileType, initialName);
    if (path.empty()) return false;
    TWaitScope wait(ExportWaitText);
    SaveDocument(path);
    return true;
}

void TFileInfo::WriteDocument(TByteSink& sink) const {
    TOutBuffer out(sink);
    document().SaveTo([&out](std::string_view bytes) {
        out << bytes;
        out.Commit();
    });
    out.Flush();
}

void TFileInfo::SaveDocument(const std::string& path) const {
    ReplaceFile(path, [this](TByteSink& sink) { WriteDocument(sink); });
}

} // namespace nullsweep
