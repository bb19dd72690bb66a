// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan/ListingOrder.h"

#include "scan/FolderReader.h"

#include <unordered_map>

namespace nullsweep {

std::vector<std::size_t> ListingOrder(int folder, std::span<const std::string_view> names) {
    FolderReader reader(folder, ".", false);
    if (!reader.IsOpen()) return {};
    std::unordered_map<std::string_view, std::size_t> indexOf;
    indexOf.reserve(names.size());
    for (std::size_t i = 0; i < names.size(); ++i)
        indexOf.try_emplace(names[i], i);
    std::vector<std::size_t> order;
    order.reserve(names.size());
    std::vector<bool> placed(names.size());
    FolderReader::Entry entry;
    while (!indexOf.empty() && reader.Next(entry)) {
        const auto found = indexOf.find(entry.name);
        if (found == indexOf.end()) continue;
        order.push_back(found->second);
        placed[found->second] = true;
        indexOf.erase(found);
    }
    for (std::size_t i = 0; i < names.size(); ++i)
        if (!placed[i]) order.push_back(i);
    return order;
}

} // namespace nullsweep
