// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/XmlText.h"

namespace nullsweep {
namespace {

constexpr std::string_view Replacement = "\xEF\xBF\xBD";

// Length of the allowed character at the start of `text`, or 0 when its first byte does not
// begin one.
std::size_t AllowedCharacter(std::string_view text) {
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char lead = byte(0);
    if (lead < 0x80) return lead >= 0x20 || lead == '\t' || lead == '\n' || lead == '\r';
    std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    if (length == 0 || length > text.size()) return 0;
    char32_t code = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return 0;
        code = (code << 6) | (byte(i) & 0x3F);
    }
    constexpr char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < smallest[length] || code > 0x10FFFF) return 0; // overlong or beyond Unicode
    if (code >= 0xD800 && code <= 0xDFFF) return 0;           // surrogates
    if (code == 0xFFFE || code == 0xFFFF) return 0;
    return length;
}

} // namespace

bool IsValidXmlText(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        std::size_t length = AllowedCharacter(text.substr(i));
        if (length == 0) return false;
        i += length;
    }
    return true;
}

std::string ValidXmlText(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        if (std::size_t length = AllowedCharacter(text.substr(i))) {
            result.append(text.substr(i, length));
            i += length;
        } else {
            result.append(Replacement);
            ++i;
        }
    }
    return result;
}

} // namespace nullsweep
