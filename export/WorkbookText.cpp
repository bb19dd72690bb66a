// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/WorkbookText.h"

#include <cctype>

namespace nullsweep {

namespace {

// Whether an escape "_xHHHH_" starts at `at`.
bool escapeAt(std::string_view text, std::size_t at) {
    if (text.size() - at < 7 || text[at] != '_' || text[at + 1] != 'x' || text[at + 6] != '_')
        return false;
    for (std::size_t i = at + 2; i < at + 6; ++i)
        if (!std::isxdigit(static_cast<unsigned char>(text[i]))) return false;
    return true;
}

} // namespace

bool NeedsWorkbookEscape(std::string_view text) {
    for (std::size_t at = text.find("_x"); at != std::string_view::npos;
         at = text.find("_x", at + 1))
        if (escapeAt(text, at)) return true;
    return false;
}

std::string EscapeWorkbookText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (escapeAt(text, at)) out += "_x005F";
        out += text[at];
    }
    return out;
}

} // namespace nullsweep
