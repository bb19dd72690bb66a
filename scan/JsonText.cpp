// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan/JsonText.h"

#include <QByteArray>
#include <QString>

#include <algorithm>

namespace nullsweep {

void AppendJsonString(std::string& out, std::string_view text, bool& wasValid) {
    std::string valid;
    wasValid =
        std::all_of(text.begin(), text.end(), [](char c) { return (unsigned char)c < 0x80; });
    if (!wasValid) {
        const QByteArray bytes(text.data(), qsizetype(text.size()));
        const QByteArray decoded = QString::fromUtf8(bytes).toUtf8();
        wasValid = decoded == bytes;
        valid.assign(decoded.constData(), std::size_t(decoded.size()));
        text = valid;
    }
    static const char hex[] = "0123456789abcdef";
    out += '"';
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            out += "\\u00";
            out += hex[byte >> 4];
            out += hex[byte & 15];
        } else {
            out += c;
        }
    }
    out += '"';
}

} // namespace nullsweep
