#include "handling/BarcodeText.h"

#include <cstdint>

#include "platform/Cp932.h"
#include "platform/Utf8.h"

namespace korvane {
namespace {

// The code point of the UTF-8 sequence that starts `rest` (a stray byte stands for itself).
std::uint32_t codePoint(std::string_view rest, std::size_t length) {
    const auto lead = static_cast<unsigned char>(rest[0]);
    if (length == 1) {
        return lead;
    }
    std::uint32_t value = lead & (0xFFu >> (length + 1));
    for (std::size_t i = 1; i < length; ++i) {
        value = (value << 6) | (static_cast<unsigned char>(rest[i]) & 0x3Fu);
    }
    return value;
}

bool allowedControl(std::uint32_t c) {
    switch (c) {
        case 0x04:  // EOT
        case 0x09:  // TAB
        case 0x0A:  // line feed
        case 0x0D:  // carriage return
        case 0x1C:  // FS
        case 0x1D:  // GS
        case 0x1E:  // RS
        case 0x1F:  // US
            return true;
        default:
            return false;
    }
}

bool refused(std::uint32_t c) {
    if (c < 0x20) {
        return !allowedControl(c);
    }
    return c == 0x7F || (c >= 0x80 && c <= 0x9F) || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069);
}

std::string hex(std::uint32_t c) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (int shift = 12; shift >= 0; shift -= 4) {
        text += kDigits[(c >> shift) & 0xF];
    }
    return "U+" + text;
}

}  // namespace

std::string barcodeRefusal(std::string_view barcode) {
    for (std::size_t i = 0; i < barcode.size();) {
        const std::size_t length = utf8::sequenceLength(barcode.substr(i));
        const std::uint32_t c = codePoint(barcode.substr(i), length);
        if (refused(c)) {
            return "入力できない制御文字 (" + hex(c) + ") を含むため拒否しました。";
        }
        i += length;
    }
    // CP932 never takes more bytes than UTF-8: short text needs no count.
    const std::size_t bytes = barcode.size() <= kMaxBarcodeBytes ? 0 : Cp932::byteCount(barcode);
    if (bytes > kMaxBarcodeBytes) {
        return "バーコードが長すぎるため拒否しました。(" + std::to_string(bytes) + " バイト)";
    }
    return {};
}

}  // namespace korvane
