#include "platform/Cp932.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

#include "platform/Utf8.h"

namespace korvane {
namespace {

// One converter per thread and direction: an iconv_t is stateful and must not be shared.
class Converter {
  public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) {
            throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
        }
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts `in`; at a sequence it cannot take, appends `replacement` and skips `skip(rest)`
    // bytes.
    template <typename Skip>
    std::string run(std::string_view in, std::string_view replacement, Skip skip) {
        std::string out;
        out.reserve(in.size() * 2 + 4);
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char* src = const_cast<char*>(in.data());
        size_t srcLeft = in.size();
        char buffer[4096];
        while (srcLeft > 0) {
            char* dst = buffer;
            size_t dstLeft = sizeof buffer;
            size_t rc = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
            out.append(buffer, static_cast<size_t>(dst - buffer));
            if (rc != static_cast<size_t>(-1)) {
                continue;
            }
            if (errno == E2BIG) {
                continue;
            }
            // EILSEQ or EINVAL (a sequence cut at the end): replace one unit and go on.
            out.append(replacement);
            size_t n = skip(std::string_view(src, srcLeft));
            src += n;
            srcLeft -= n;
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        }
        return out;
    }

  private:
    iconv_t cd_;
};

size_t cp932SequenceLength(std::string_view rest) {
    auto b = static_cast<unsigned char>(rest[0]);
    bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    return lead && rest.size() >= 2 ? 2 : 1;
}

// Both encodings give the bytes below 0x80 the same characters (0x5C and 0x7E included, as the
// converter maps them), so such a text needs no conversion: the commonest case by far.
bool isAscii(std::string_view text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string Cp932::encode(std::string_view utf8) {
    if (isAscii(utf8)) {
        return std::string(utf8);
    }
    thread_local Converter conv("CP932", "UTF-8");
    return conv.run(utf8, "?", [](std::string_view rest) { return utf8::sequenceLength(rest); });
}

std::string Cp932::decode(std::string_view cp932) {
    if (isAscii(cp932)) {
        return std::string(cp932);
    }
    thread_local Converter conv("UTF-8", "CP932");
    return conv.run(cp932, "\xEF\xBF\xBD", cp932SequenceLength);
}

std::size_t Cp932::byteCount(std::string_view utf8) {
    return isAscii(utf8) ? utf8.size() : encode(utf8).size();
}

}  // namespace korvane
