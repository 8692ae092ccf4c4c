#include "SafeText.h"

#include <cstdint>
#include <cstdio>

namespace pihost {
namespace {

// The length of the well-formed UTF-8 sequence at pos (no overlong forms, no surrogates, at most U+10FFFF),
// 0 when the byte there does not start one. cp gets the code point.
std::size_t Sequence(const std::string& text, std::size_t pos, std::uint32_t& cp) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(pos);
    std::size_t length = 0;
    std::uint32_t minimum = 0;
    if (lead < 0x80) {
        cp = lead;
        return 1;
    } else if (lead >= 0xc2 && lead <= 0xdf) {
        length = 2, minimum = 0x80, cp = lead & 0x1fu;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        length = 3, minimum = 0x800, cp = lead & 0x0fu;
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        length = 4, minimum = 0x10000, cp = lead & 0x07u;
    } else {
        return 0;
    }
    if (pos + length > text.size()) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(pos + i) & 0xc0) != 0x80) {
            return 0;
        }
        cp = (cp << 6) | (byte(pos + i) & 0x3fu);
    }
    if (cp < minimum || cp > 0x10ffff || (cp >= 0xd800 && cp <= 0xdfff)) {
        return 0;
    }
    return length;
}

void AppendHex(std::string& out, unsigned char byte) {
    char text[8];
    std::snprintf(text, sizeof text, "\\x%02x", byte);
    out += text;
}
} // namespace

std::string Printable(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        std::uint32_t cp = 0;
        const std::size_t length = Sequence(text, pos, cp);
        if (length == 0) {
            AppendHex(out, static_cast<unsigned char>(text[pos++]));
            continue;
        }
        if (cp == '\\') {
            out += "\\\\";
        } else if (cp < 0x20 || (cp >= 0x7f && cp <= 0x9f)) {
            for (std::size_t i = 0; i < length; ++i) {
                AppendHex(out, static_cast<unsigned char>(text[pos + i]));
            }
        } else {
            out.append(text, pos, length);
        }
        pos += length;
    }
    return out;
}

std::string ValidUtf8(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        std::uint32_t cp = 0;
        const std::size_t length = Sequence(text, pos, cp);
        if (length == 0) {
            out += "\xef\xbf\xbd";
            ++pos;
            continue;
        }
        out.append(text, pos, length);
        pos += length;
    }
    return out;
}

} // namespace pihost
