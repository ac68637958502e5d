#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "platform/Socket.h"

namespace korvane {

class TSSServer;

// Largest request body the intake accepts; a longer declared length is an invalid message.
inline constexpr std::int32_t kMaxRequestBody = 1024 * 1024;

// Writes "[yyyy/mm/dd hh:nn:ss]" + pText to the debug output.
void mdlTrace(const std::string& pText);

// A field of exactly pWidth CP932 bytes: the text's bytes, then spaces, cut at pWidth. A
// double-byte character that the cut would split is replaced by a space, so the width always holds.
std::string mdlPadBytes(const std::string& pText, int pWidth);

// Bytes the text takes in CP932.
std::int32_t mdlByteCount(const std::string& pText);

// The check digit of a header's length digits: their digit sum modulo 10. Throws SSError with the
// conversion text when a character is not a decimal digit.
std::string mdlCheckDigit(std::string_view pLength);

// Strict decimal conversion: an optional sign (when pAllowSign) and one or more ASCII digits,
// within the signed 32-bit range. Throws SSError naming the text otherwise.
std::int32_t mdlStrToInt(std::string_view pText, bool pAllowSign = true);

// The 16-byte header: length, its check digit, message type.
std::string mdlMakeHeader(std::int64_t pLength, int pType);

// Message types, and the widths of the file name and field information fields.
inline constexpr int kTypeAnswer = 1;
inline constexpr int kTypeRequest = 2;
inline constexpr int kTypeFile = 3;
inline constexpr int kTypeFileRequest = 4;
inline constexpr int kTypeReply = 9;
inline constexpr int kNameWidth = 260;
inline constexpr int kFieldInfoWidth = 520;

// The parts of a received header (16 characters): throws kInvalidMessage when the check digit does
// not match the length digits, and the conversion text when a field is not a number.
void mdlVerifyCheckDigit(std::string_view pHeader);
std::int32_t mdlHeaderLength(std::string_view pHeader);
std::int32_t mdlHeaderType(std::string_view pHeader);

// Waits up to one second; true when the socket is ready. Throws on a failed wait.
bool mdlWaitSocket(net::SocketHandle pSock, bool pDirection);

using Deadline = std::chrono::steady_clock::time_point;
inline constexpr Deadline kNoDeadline = Deadline::max();

// Receives exactly pCount bytes and decodes them from CP932 into pText. Past pDeadline it fails
// with kTimedOut.
void mdlRecvData(const TSSServer& pServer, net::SocketHandle pSock, std::string& pText,
                 std::int32_t pCount, Deadline pDeadline = kNoDeadline);
// Encodes pText in CP932 and sends all of it.
void mdlSendData(const TSSServer& pServer, net::SocketHandle pSock, const std::string& pText);
// Receives exactly pCount raw bytes into pStream, in pieces of at most 2048 bytes.
void mdlRecvFile(const TSSServer& pServer, net::SocketHandle pSock, std::FILE* pStream,
                 std::int64_t pCount);
// Sends the whole of pStream from its start, in pieces of at most 2048 bytes.
void mdlSendFile(const TSSServer& pServer, net::SocketHandle pSock, std::FILE* pStream);
// Discards what the peer still sends until it closes; always ends by throwing.
[[noreturn]] void mdlCloseWait(const TSSServer& pServer, net::SocketHandle pSock);

// The text without the trailing characters of code 32 or less.
std::string mdlTrimRight(std::string_view pText);

}  // namespace korvane
