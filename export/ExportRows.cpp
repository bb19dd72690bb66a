// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/ExportRows.h"

namespace nullsweep {

std::vector<std::uint8_t> ExportFields(const TExportColumns& columns) {
    std::vector<std::uint8_t> fields;
    fields.reserve(columns.size());
    for (const std::string& name : columns)
        fields.push_back(FieldIndexOf(name));
    return fields;
}

} // namespace nullsweep
