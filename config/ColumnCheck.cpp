// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/ColumnCheck.h"

namespace nullsweep {

ConfigError ColumnEntryError(const TXMLNodeType& node, int index, const char* attribute,
                             const std::string& fileName, const std::string& reason) {
    std::string name;
    try {
        name = node.Name();
    } catch (const std::exception&) {
        // a name that cannot be read is left out
    }
    for (char& c : name)
        if (static_cast<unsigned char>(c) < 0x20) c = ' '; // keep the message one line
    return ConfigError(fileName + ": column " + std::to_string(index + 1) + " (\"" + name +
                       "\"): " + attribute + ": " + reason);
}

void CheckColumnEntries(const TXMLConfigType& root, const std::string& fileName) {
    const TXMLNodesType nodes = root.nodes();
    const int count = nodes.Count();
    for (int i = 0; i < count; ++i) {
        const TXMLNodeType node = nodes.Item(i);
        ReadColumnEntry(node, i, "Width", fileName, [&] { return node.Width(); });
        ReadColumnEntry(node, i, "ReadOnly", fileName, [&] { return node.ReadOnly(); });
        ReadColumnEntry(node, i, "Index", fileName, [&] { return node.Index(); });
        ReadColumnEntry(node, i, "Visible", fileName, [&] { return node.Visible(); });
    }
}

} // namespace nullsweep
