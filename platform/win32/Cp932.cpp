#include "platform/Cp932.h"

#include <windows.h>

#include "platform/Utf8.h"
#include "platform/win32/WideText.h"

namespace korvane {
namespace {

constexpr UINT kCodePage = 932;
constexpr wchar_t kReplacement = 0xFFFD;

// The code point of one UTF-8 sequence that sequenceLength() measured, or -1 when it is not
// well-formed UTF-8 (overlong, a surrogate, beyond U+10FFFF).
long codePointOf(std::string_view sequence) {
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(sequence[i]); };
    switch (sequence.size()) {
        case 1:
            return byte(0) < 0x80 ? byte(0) : -1;
        case 2: {
            long cp = ((byte(0) & 0x1F) << 6) | (byte(1) & 0x3F);
            return cp >= 0x80 ? cp : -1;
        }
        case 3: {
            long cp = ((byte(0) & 0x0F) << 12) | ((byte(1) & 0x3F) << 6) | (byte(2) & 0x3F);
            return cp >= 0x800 && (cp < 0xD800 || cp > 0xDFFF) ? cp : -1;
        }
        default: {
            long cp = ((byte(0) & 0x07) << 18) | ((byte(1) & 0x3F) << 12) |
                      ((byte(2) & 0x3F) << 6) | (byte(3) & 0x3F);
            return cp >= 0x10000 && cp <= 0x10FFFF ? cp : -1;
        }
    }
}

// Windows' own decoder would give U+FFFD for some broken input, one unit per byte for other, and
// Windows maps the bytes 0x80, 0xA0 and 0xFD-0xFF to private-use characters. The units are cut
// here the way the program cuts them everywhere, and each one that is not CP932 becomes U+FFFD.
std::size_t cp932SequenceLength(std::string_view rest) {
    auto b = static_cast<unsigned char>(rest[0]);
    bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    return lead && rest.size() >= 2 ? 2 : 1;
}

bool strayByte(unsigned char b) {
    return b == 0x80 || b == 0xA0 || b >= 0xFD;
}

bool decodeUnit(std::string_view unit, std::wstring& out) {
    if (unit.size() == 1 && strayByte(static_cast<unsigned char>(unit[0]))) {
        return false;
    }
    wchar_t wide[2];
    int n = ::MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, unit.data(),
                                  static_cast<int>(unit.size()), wide, 2);
    if (n != 1) {
        return false;
    }
    out.push_back(wide[0]);
    return true;
}

}  // namespace

std::string Cp932::encode(std::string_view utf8) {
    // Characters beyond the BMP and malformed sequences cannot be CP932: they become the default
    // character before Windows sees them, one per character as the program counts characters.
    std::wstring wide;
    wide.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        std::size_t n = utf8::sequenceLength(utf8.substr(i));
        long cp = codePointOf(utf8.substr(i, n));
        wide.push_back(cp < 0 || cp > 0xFFFF ? L'?' : static_cast<wchar_t>(cp));
        i += n;
    }
    if (wide.empty()) {
        return {};
    }
    const int size = static_cast<int>(wide.size());
    // No best fit: a character the code page lacks is '?', never a look-alike.
    int count = ::WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, wide.data(), size, nullptr,
                                      0, "?", nullptr);
    std::string out(static_cast<std::size_t>(count), '\0');
    ::WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, wide.data(), size, out.data(), count,
                          "?", nullptr);
    return out;
}

std::string Cp932::decode(std::string_view cp932) {
    std::wstring wide;
    wide.reserve(cp932.size());
    for (std::size_t i = 0; i < cp932.size();) {
        std::size_t n = cp932SequenceLength(cp932.substr(i));
        if (!decodeUnit(cp932.substr(i, n), wide)) {
            wide.push_back(kReplacement);
        }
        i += n;
    }
    return win32::narrow(wide);
}

std::size_t Cp932::byteCount(std::string_view utf8) {
    return encode(utf8).size();
}

}  // namespace korvane
