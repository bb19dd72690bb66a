// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/ExportRows.h"

#include "config/ConfigStore.h"

namespace nullsweep {

void FillExportColumns(ExportColumns& list) {
    const TXMLNodesType nodes = ConfigStore()->Root().nodes();
    for (int i = 0; i < nodes.Count(); ++i) {
        const TXMLNodeType node = nodes.Item(i);
        if (node.Visible()) list.push_back(node.Name());
    }
}

std::vector<std::uint8_t> ExportFields(const ExportColumns& columns) {
    std::vector<std::uint8_t> fields;
    fields.reserve(columns.size());
    for (const std::string& name : columns)
        fields.push_back(FieldIndexOf(name));
    return fields;
}

} // namespace nullsweep
