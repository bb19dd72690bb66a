// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/MessageText.h"

namespace nullsweep {

namespace {

// The length of the valid UTF-8 sequence at the start of `text` (its first byte 0x80 or more),
// or 0 when it is none.
std::size_t utf8Length(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF; // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;  // no overlong forms
        if (lead == 0xED) high = 0x9F; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    }
    if (length == 0 || text.size() < length) return 0;
    if (byte(1) < low || byte(1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
    return length;
}

void appendHex(std::string& out, unsigned char byte) {
    static const char digits[] = "0123456789abcdef";
    out += "\\x";
    out += digits[byte >> 4];
    out += digits[byte & 15];
}

} // namespace

std::string EscapeControls(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte >= 0x20 && byte < 0x7F) {
            out += char(byte);
            ++i;
        } else if (byte < 0x80) {
            static const char letters[] = "abtnvfr";
            if (byte >= '\a' && byte <= '\r') {
                out += '\\';
                out += letters[byte - '\a'];
            } else {
                appendHex(out, byte);
            }
            ++i;
        } else if (const std::size_t length = utf8Length(text.substr(i))) {
            // U+0080 to U+009F are C2 80 to C2 9F.
            const bool control = byte == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0;
            for (std::size_t k = 0; k < length; ++k)
                control ? appendHex(out, static_cast<unsigned char>(text[i + k]))
                        : void(out += text[i + k]);
            i += length;
        } else {
            // A byte outside UTF-8: 0x80 to 0x9F act as controls on a terminal that is not
            // UTF-8; the rest print there as letters.
            byte < 0xA0 ? appendHex(out, byte) : void(out += char(byte));
            ++i;
        }
    }
    return out;
}

} // namespace nullsweep
