// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/XmlText.h"

#include <algorithm>
#include <cstdio>

namespace nullsweep {

namespace {

constexpr std::string_view Replacement = "\xEF\xBF\xBD";

bool allowedInXml(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

// The length of the valid UTF-8 sequence at the start of `s` and its character; 0 when the
// first byte starts no valid sequence (stray continuation, overlong form, surrogate, too large).
std::size_t decode(std::string_view s, char32_t& c) {
    const auto b0 = static_cast<unsigned char>(s[0]);
    std::size_t length;
    char32_t min;
    if (b0 < 0x80) {
        c = b0;
        return 1;
    } else if ((b0 & 0xE0) == 0xC0) {
        length = 2, min = 0x80, c = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        length = 3, min = 0x800, c = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        length = 4, min = 0x10000, c = b0 & 0x07;
    } else {
        return 0;
    }
    if (s.size() < length) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        const auto b = static_cast<unsigned char>(s[i]);
        if ((b & 0xC0) != 0x80) return 0;
        c = (c << 6) | (b & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
    return length;
}

bool nameStart(unsigned char b) {
    return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || b == '_' || b == ':' || b >= 0x80;
}

} // namespace

std::string ValidXmlText(std::string_view text) {
    // Printable ASCII, by far the most common text, is valid as it stands.
    if (std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c < 0x7F; }))
        return std::string(text);
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        char32_t c = 0;
        const std::size_t length = decode(text, c);
        if (length == 0) {
            out += Replacement;
            text.remove_prefix(1);
        } else {
            if (allowedInXml(c))
                out.append(text.substr(0, length));
            else
                out += Replacement;
            text.remove_prefix(length);
        }
    }
    return out;
}

std::size_t FindInvalidXmlText(std::string_view text, std::string& reason) {
    char hex[16];
    for (std::size_t at = 0; at < text.size();) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (byte >= 0x20 && byte < 0x7F) {
            ++at;
            continue;
        }
        char32_t c = 0;
        const std::size_t length = decode(text.substr(at), c);
        if (length == 0) {
            std::snprintf(hex, sizeof hex, "0x%02X", byte);
            reason = std::string("Byte ") + hex + " is not UTF-8";
            return at;
        }
        if (!allowedInXml(c)) {
            std::snprintf(hex, sizeof hex, "U+%04X", unsigned(c));
            reason = std::string("Character ") + hex + " is not allowed in XML";
            return at;
        }
        at += length;
    }
    return std::string_view::npos;
}

bool IsXmlName(std::string_view name) {
    if (name.empty() || !nameStart(static_cast<unsigned char>(name[0]))) return false;
    for (char ch : name.substr(1)) {
        const auto b = static_cast<unsigned char>(ch);
        if (!nameStart(b) && !(b >= '0' && b <= '9') && b != '-' && b != '.') return false;
    }
    return true;
}

} // namespace nullsweep
