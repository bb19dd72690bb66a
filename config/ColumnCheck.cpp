// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/ColumnCheck.h"

#include <functional>

namespace nullsweep {

void CheckColumnEntries(const TXMLConfigType& root, const std::string& fileName) {
    const TXMLNodesType nodes = root.nodes();
    const int count = nodes.Count();
    for (int i = 0; i < count; ++i) {
        const TXMLNodeType node = nodes.Item(i);
        const auto check = [&](const char* attribute, const std::function<void()>& read) {
            try {
                read();
            } catch (const std::exception& e) {
                std::string name = node.Name();
                for (char& c : name)
                    if (static_cast<unsigned char>(c) < 0x20) c = ' '; // keep the message one line
                throw ConfigError(fileName + ": column " + std::to_string(i + 1) + " (\"" + name +
                                  "\"): " + attribute + ": " + e.what());
            }
        };
        check("Width", [&] { node.Width(); });
        check("ReadOnly", [&] { node.ReadOnly(); });
        check("Index", [&] { node.Index(); });
        check("Visible", [&] { node.Visible(); });
    }
}

} // namespace nullsweep
