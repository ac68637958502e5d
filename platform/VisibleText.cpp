#include "platform/VisibleText.h"

#include <cstdint>

namespace korvane {
namespace {

constexpr char kDigits[] = "0123456789ABCDEF";
constexpr char kLineBreakMark[] = " \u21B5 ";

bool isContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// The code point that starts `rest` and its length in bytes, or a length of 0 when the bytes are
// no valid UTF-8 sequence (stray, truncated, overlong, a surrogate, beyond U+10FFFF).
struct Decoded {
    std::uint32_t codePoint = 0;
    std::size_t length = 0;
};

Decoded decode(std::string_view rest) {
    const auto lead = static_cast<unsigned char>(rest[0]);
    std::size_t length = 0;
    std::uint32_t codePoint = 0;
    std::uint32_t least = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1F;
        least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0F;
        least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07;
        least = 0x10000;
    } else {
        return {};
    }
    if (rest.size() < length) {
        return {};
    }
    for (std::size_t i = 1; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(rest[i]);
        if (!isContinuation(byte)) {
            return {};
        }
        codePoint = (codePoint << 6) | (byte & 0x3F);
    }
    if (codePoint < least || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
        return {};
    }
    return {codePoint, length};
}

bool isHidden(std::uint32_t c) {
    return (c >= 0x80 && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F ||
           (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) || c == 0x2028 ||
           c == 0x2029;
}

void appendCodePointName(std::string& out, std::uint32_t c) {
    out += "<U+";
    for (int shift = c > 0xFFFF ? 20 : 12; shift >= 0; shift -= 4) {
        out += kDigits[(c >> shift) & 0xF];
    }
    out += '>';
}

// U+2400 + byte for C0, U+2421 for DEL: three bytes E2 90 xx.
void appendControlPicture(std::string& out, unsigned char byte) {
    out += "\xE2\x90";
    out += static_cast<char>(byte == 0x7F ? 0xA1 : 0x80 + byte);
}

bool needsNoChange(std::string_view text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && c != '\t') || byte >= 0x7F) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string visibleText(std::string_view text, LineBreaks breaks) {
    if (needsNoChange(text)) {
        return std::string(text);
    }
    std::string out;
    out.reserve(text.size() + text.size() / 4);
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const bool lineBreak = byte == '\n' || byte == '\r';
        if (lineBreak && breaks != LineBreaks::Escape) {
            const std::size_t length = text.compare(i, 2, "\r\n") == 0 ? 2 : 1;
            if (breaks == LineBreaks::Keep) {
                out.append(text, i, length);
            } else {
                out += kLineBreakMark;
            }
            i += length;
        } else if ((byte < 0x20 && byte != '\t') || byte == 0x7F) {
            appendControlPicture(out, byte);
            ++i;
        } else if (byte < 0x80) {
            out += static_cast<char>(byte);
            ++i;
        } else if (const Decoded decoded = decode(text.substr(i)); decoded.length == 0) {
            out += '<';
            out += kDigits[byte >> 4];
            out += kDigits[byte & 0xF];
            out += '>';
            ++i;
        } else {
            if (isHidden(decoded.codePoint)) {
                appendCodePointName(out, decoded.codePoint);
            } else {
                out.append(text, i, decoded.length);
            }
            i += decoded.length;
        }
    }
    return out;
}

}  // namespace korvane
