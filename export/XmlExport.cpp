// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/XmlExport.h"

#include "desktop/DesktopShell.h"
#include "export/ExportFile.h"
#include "export/FileInfo.h"
#include "scan/RowText.h"

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

XMLDocument& TFileInfo::document() const {
    if (!Doc) throw std::logic_error("the export has no XML document");
    return *Doc;
}

void TFileInfo::InitDocument() {
    document().SetXML(ExportDocumentTemplate());
    gathered_ = nullptr;
}

XMLNode TFileInfo::GetRootNode() {
    document().Open(); // parses the source only when the document is not open
    return document().DocumentElement();
}

void TFileInfo::GatherInfo(const ExportRows& rows) {
    WaitScope wait(GatherWaitText);
    GetRootNode().ChildNodes().Clear();
    gathered_ = rows;
}

void TFileInfo::forEachGatheredBatch(const std::function<void(const XMLNode&)>& take) const {
    if (!gathered_) return;
    // Large enough that a batch costs little beside its rows, small enough to stay in the cache.
    constexpr std::size_t BatchRows = 4096;
    document().Open();
    const XMLNode root = document().DocumentElement();
    const auto& attributes = XmlAttributeNames();
    // The elements of the current row's ancestors, so that each row's element goes under its
    // parent's while the rows are visited in pre-order.
    std::vector<XMLNode> open{root};
    std::size_t rows = 0;
    auto pass = [&] {
        take(root);
        root.ChildNodes().Clear();
        open.resize(1);
        rows = 0;
    };
    root.ChildNodes().Clear();
    RowText texts;
    gathered_([&](const TResultRow& row, unsigned depth) {
        if (depth == 0 && rows >= BatchRows) pass();
        open.resize(std::min<std::size_t>(open.size(), std::size_t(depth) + 1));
        XMLNode element = open.back().AddChild("file");
        for (int field = 0; field < FieldCount; ++field) {
            const std::string_view text = texts.Field(row, field);
            if (!text.empty()) element.AddAttribute(attributes[field], text);
        }
        open.push_back(std::move(element));
        ++rows;
    });
    if (rows > 0) pass();
}

bool TFileInfo::ExportToXML(const std::string& initialName) {
    const std::string path = ChooseExportFile(XmlFileType, initialName);
    if (path.empty()) return false;
    WaitScope wait(ExportWaitText);
    SaveDocument(path);
    return true;
}

void TFileInfo::WriteDocument(ByteSink& sink) const {
    OutBuffer out(sink);
    const std::function<void(std::string_view)> write = [&out](std::string_view bytes) {
        out << bytes;
        out.Commit();
    };
    if (!gathered_) {
        document().SaveTo(write);
        out.Flush();
        return;
    }
    // The bytes around the rows are those of the document without rows, its root element
    // opened instead of closed empty.
    document().Open();
    const XMLNode root = document().DocumentElement();
    root.ChildNodes().Clear();
    const std::string empty = document().SaveToText();
    if (!empty.ends_with("/>")) throw std::logic_error("the export document ends after its root");
    bool opened = false;
    forEachGatheredBatch([&](const XMLNode& batch) {
        if (!opened) {
            write(std::string_view(empty).substr(0, empty.size() - 2));
            write(">");
            opened = true;
        }
        for (XMLNode element = batch.ChildNodes().First(); element; element = element.NextSibling())
            element.SaveTo(write);
    });
    write(opened ? "</" + root.NodeName() + ">" : empty);
    out.Flush();
}

void TFileInfo::SaveDocument(const std::string& path) const {
    ReplaceFile(path, [this](ByteSink& sink) { WriteDocument(sink); });
}

} // namespace nullsweep
