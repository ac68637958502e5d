#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The framing of every message between phone and server: a 16-character header (10 length
// digits, their check digit, 5 type digits), then the body, all in CP932. docs/protocol.md has
// the whole wire format.
namespace korvane {

enum class MessageType : std::int32_t {
    // The phone's acknowledgement of a file (empty body), or a file it sends when asked.
    Answer = 1,
    // The phone's request.
    Request = 2,
    // A file for the phone: name, field information, then the bytes.
    File = 3,
    // The server asks the phone for a file: the name.
    FileRequest = 4,
    // The server's final reply.
    Reply = 9,
};

inline constexpr std::int32_t kHeaderLength = 16;
// The file message's name and field information fields, in CP932 bytes.
inline constexpr std::int32_t kFileNameWidth = 260;
inline constexpr std::int32_t kFieldInfoWidth = 520;

// A request body: 12 reserved characters (the phone writes zeros), the client key in 20
// (blank-padded), then the data.
inline constexpr std::size_t kRequestReservedLength = 12;
inline constexpr std::size_t kClientKeyLength = 20;

// Largest request body the intake accepts; a longer declared length is an invalid message.
inline constexpr std::int32_t kMaxRequestBody = 1024 * 1024;

// The 16-character header of a message whose body takes `length` bytes.
std::string makeHeader(std::int64_t length, MessageType type);

// The check digit of a header's length digits: their digit sum modulo 10. Throws ServerError
// with the conversion text when a character is not a decimal digit.
std::string checkDigit(std::string_view lengthDigits);

// The parts of a received header: throws kInvalidMessage when the check digit does not match
// the length digits, and the conversion text when a field is not a number.
void verifyCheckDigit(std::string_view header);
std::int32_t headerLength(std::string_view header);
std::int32_t headerType(std::string_view header);

// Strict decimal conversion: an optional sign (when `allowSign`) and one or more ASCII digits,
// within the signed 32-bit range. Throws ServerError naming the text otherwise.
std::int32_t parseInt32(std::string_view text, bool allowSign = true);

// A field of exactly `width` CP932 bytes: the text's bytes, then spaces, cut at `width`. A
// double-byte character that the cut would split is replaced by a space, so the width holds.
std::string padBytes(const std::string& text, int width);

// Bytes the text takes in CP932.
std::int32_t byteCount(const std::string& text);

// The text without the trailing characters of code 32 or less.
std::string trimRight(std::string_view text);

// The client key and data of a request body (decoded text).
struct RequestBody {
    std::string clientKey;
    std::string data;
};
// The body as the phone writes it: reserved zeros, the key padded to its width, the data.
std::string makeRequestBody(const RequestBody& body);
// The parts of a decoded body; the key loses its trailing blanks.
RequestBody parseRequestBody(std::string_view body);

}  // namespace korvane
