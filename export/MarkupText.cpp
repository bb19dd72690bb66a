// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/MarkupText.h"

#include <QList>
#include <QString>
#include <QStringDecoder>

namespace nullsweep {

namespace {

bool isPlainAscii(unsigned char c) {
    return c >= 0x20 && c < 0x7F;
}

// The text's characters; what is not UTF-8 comes out as U+FFFD. A U+FEFF at the start is a
// character of the name like any other: QString::fromUtf8 would drop it as a byte-order mark.
QList<uint> codePoints(std::string_view text) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                     QStringDecoder::Flag::ConvertInitialBom);
    return QString(decoder(QByteArrayView(text.data(), qsizetype(text.size())))).toUcs4();
}

// Printable ASCII that HTML text takes as it is.
bool isHtmlPlain(unsigned char c) {
    return isPlainAscii(c) && c != '&' && c != '<' && c != '>' && c != '"';
}

void appendNumericReference(std::string& out, char32_t c) {
    out += "&#";
    out += std::to_string(std::uint32_t(c));
    out += ';';
}

} // namespace

void AppendHtmlText(std::string& out, std::string_view text) {
    auto appendOne = [&out](char32_t c) {
        switch (c) {
        case '&':
            out += "&amp;";
            return;
        case '<':
            out += "&lt;";
            return;
        case '>':
            out += "&gt;";
            return;
        case '"':
            out += "&quot;";
            return;
        default:
            break;
        }
        if (c == '\t' || (c < 0x80 && isPlainAscii(static_cast<unsigned char>(c))))
            out += char(c);
        else if (c >= 0x80 && c <= 0x9F) // browsers read these references as windows-1252
            appendNumericReference(out, 0xFFFD);
        else
            appendNumericReference(out, c);
    };
    // Most texts need nothing: they go out in one piece.
    std::size_t plain = 0;
    while (plain < text.size() && isHtmlPlain(static_cast<unsigned char>(text[plain])))
        ++plain;
    out.append(text.substr(0, plain));
    if (plain == text.size()) return;
    text.remove_prefix(plain);
    bool ascii = true;
    for (unsigned char c : text)
        ascii = ascii && c < 0x80;
    if (ascii) {
        for (unsigned char c : text)
            appendOne(c);
        return;
    }
    for (uint c : codePoints(text))
        appendOne(c);
}

} // namespace nullsweep
