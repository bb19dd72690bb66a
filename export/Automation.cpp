// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/Automation.h"

#include "export/SpreadsheetApp.h"

namespace nullsweep {

bool IsMember(std::string_view member, std::string_view name) {
    if (member.size() != name.size()) return false;
    for (std::size_t i = 0; i < member.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(member[i]) != lower(name[i])) return false;
    }
    return true;
}

Dispatch& AutoObject::Target(std::string_view member) const {
    if (!object_)
        throw AutomationError("\"" + std::string(member) + "\" called on an empty object");
    return *object_;
}

AutoObject CreateOleObject(std::string_view programId) {
    if (IsMember(programId, "Excel.Application")) return CreateSpreadsheetApp();
    throw AutomationError("No automation object is registered as \"" + std::string(programId) +
                          "\"");
}

} // namespace nullsweep
