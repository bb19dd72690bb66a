// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan/FieldNames.h"

namespace nullsweep {

std::string_view TrimControl(std::string_view text) {
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::uint8_t FieldIndexOf(std::string_view name) {
    const std::string_view wanted = TrimControl(name);
    std::uint8_t result = 0;
    for (int i = 0; i < FieldCount; ++i)
        if (TrimControl(FieldNames[i]) == wanted) result = static_cast<std::uint8_t>(i);
    return result;
}

} // namespace nullsweep
