#include "server/SSUtilUnit.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/Cp932.h"
#include "platform/DecimalInt.h"
#include "platform/Timestamp.h"
#include "platform/Trace.h"
#include "platform/Utf8.h"
#include "server/SSError.h"
#include "server/SSMessages.h"
#include "server/SSServerUnit.h"

namespace korvane {
namespace {

constexpr std::size_t kFilePiece = 2048;

void checkAbort(const TSSServer& server) {
    if (server.mAbort) {
        throw SSError(msg::kCancelled);
    }
}

// Sends [data, data + size) whole: wait, send the rest, check the stop flag, again.
void sendAll(const TSSServer& server, net::SocketHandle sock, const char* data, std::size_t size) {
    std::size_t sent = 0;
    while (sent != size) {
        if (mdlWaitSocket(sock, true)) {
            long n = net::sendSome(sock, data + sent, size - sent);
            if (n <= 0) {
                throw SSError(msg::kDisconnected);
            }
            sent += static_cast<std::size_t>(n);
        }
        checkAbort(server);
    }
}

[[noreturn]] void throwStreamError(const char* what) {
    throw SSError(std::string(what) + ": " + std::strerror(errno));
}

}  // namespace

void mdlTrace(const std::string& pText) {
    traceOutput(bracketedTimestamp() + pText);
}

std::string mdlPadBytes(const std::string& pText, int pWidth) {
    std::string bytes = Cp932::encode(pText + std::string(static_cast<std::size_t>(pWidth), ' '));
    bytes.resize(static_cast<std::size_t>(pWidth));
    std::size_t i = 0;
    while (i < bytes.size()) {
        auto b = static_cast<unsigned char>(bytes[i]);
        bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        if (lead && i + 1 == bytes.size()) {
            bytes[i] = ' ';
        }
        i += lead ? 2 : 1;
    }
    return Cp932::decode(bytes);
}

std::int32_t mdlByteCount(const std::string& pText) {
    return static_cast<std::int32_t>(Cp932::byteCount(pText));
}

std::string mdlCheckDigit(std::string_view pLength) {
    int sum = 0;
    for (char c : pLength) {
        sum += mdlStrToInt(std::string_view(&c, 1), false);
    }
    return std::string(1, static_cast<char>('0' + sum % 10));
}

std::int32_t mdlStrToInt(std::string_view pText, bool pAllowSign) {
    if (auto value = parseDecimal32(pText, pAllowSign)) {
        return *value;
    }
    throw SSError(notAnIntegerText(pText));
}

std::string mdlMakeHeader(std::int64_t pLength, int pType) {
    char length[16];
    std::snprintf(length, sizeof length, "%.10lld", static_cast<long long>(pLength));
    char type[8];
    std::snprintf(type, sizeof type, "%.5d", pType);
    return std::string(length) + mdlCheckDigit(length) + type;
}

void mdlVerifyCheckDigit(std::string_view pHeader) {
    if (mdlCheckDigit(utf8::mid(pHeader, 0, 10)) != utf8::mid(pHeader, 10, 1)) {
        throw SSError(msg::kInvalidMessage);
    }
}

std::int32_t mdlHeaderLength(std::string_view pHeader) {
    return mdlStrToInt(utf8::mid(pHeader, 0, 10), false);
}

std::int32_t mdlHeaderType(std::string_view pHeader) {
    return mdlStrToInt(utf8::mid(pHeader, 11, 5));
}

bool mdlWaitSocket(net::SocketHandle pSock, bool pDirection) {
    switch (net::waitSocket(pSock, pDirection, 1000)) {
        case net::WaitResult::Failed:
            throw SSError(msg::kSelectFailed);
        case net::WaitResult::TimedOut:
            return false;
        case net::WaitResult::Ready:
            break;
    }
    return true;
}

void mdlRecvData(const TSSServer& pServer, net::SocketHandle pSock, std::string& pText,
                 std::int32_t pCount, Deadline pDeadline) {
    mdlTrace("mdlRecvData_START");
    pText.clear();
    if (pCount <= 0) {
        mdlTrace("mdlRecvData_END");
        return;
    }
    // Decoded as one block, so that a double-byte character split between pieces stays whole.
    std::string block(static_cast<std::size_t>(pCount), '\0');
    std::size_t received = 0;
    while (received != block.size()) {
        if (mdlWaitSocket(pSock, false)) {
            long n = net::receiveSome(pSock, block.data() + received, block.size() - received);
            if (n <= 0) {
                pText = pServer.mEncShiftJIS.decode(std::string_view(block.data(), received));
                throw SSError(msg::kDisconnected);
            }
            received += static_cast<std::size_t>(n);
        }
        if (pServer.mAbort) {
            pText = pServer.mEncShiftJIS.decode(std::string_view(block.data(), received));
            throw SSError(msg::kCancelled);
        }
        if (std::chrono::steady_clock::now() >= pDeadline) {
            pText = pServer.mEncShiftJIS.decode(std::string_view(block.data(), received));
            throw SSError(msg::kTimedOut);
        }
    }
    pText = pServer.mEncShiftJIS.decode(block);
    mdlTrace("mdlRecvData_END");
}

void mdlSendData(const TSSServer& pServer, net::SocketHandle pSock, const std::string& pText) {
    mdlTrace("mdlSendData_START:" + pText);
    std::string bytes = pServer.mEncShiftJIS.encode(pText);
    sendAll(pServer, pSock, bytes.data(), bytes.size());
    mdlTrace("mdlSendData_END");
}

void mdlRecvFile(const TSSServer& pServer, net::SocketHandle pSock, std::FILE* pStream,
                 std::int64_t pCount) {
    mdlTrace("mdlRecvFile_START");
    char piece[kFilePiece];
    std::int64_t received = 0;
    while (received < pCount) {
        if (mdlWaitSocket(pSock, false)) {
            auto want = static_cast<std::size_t>(
                std::min<std::int64_t>(static_cast<std::int64_t>(kFilePiece), pCount - received));
            long n = net::receiveSome(pSock, piece, want);
            if (n <= 0) {
                throw SSError(msg::kDisconnected);
            }
            if (std::fwrite(piece, 1, static_cast<std::size_t>(n), pStream) !=
                static_cast<std::size_t>(n)) {
                throwStreamError("ファイルに書き込めません");
            }
            received += n;
        }
        checkAbort(pServer);
    }
    mdlTrace("mdlRecvFile_END");
}

void mdlSendFile(const TSSServer& pServer, net::SocketHandle pSock, std::FILE* pStream) {
    mdlTrace("mdlSendFile_START");
    struct stat info {};
    if (::fstat(::fileno(pStream), &info) != 0) {
        throwStreamError("ファイルを読めません");
    }
    auto size = static_cast<std::int64_t>(info.st_size);
    std::rewind(pStream);
    char piece[kFilePiece];
    std::int64_t done = 0;
    while (done != size) {
        auto want = static_cast<std::size_t>(
            std::min<std::int64_t>(static_cast<std::int64_t>(kFilePiece), size - done));
        std::size_t got = std::fread(piece, 1, want, pStream);
        if (got != want) {
            throwStreamError("ファイルを読めません");
        }
        sendAll(pServer, pSock, piece, got);
        done += static_cast<std::int64_t>(got);
        checkAbort(pServer);
    }
    mdlTrace("mdlSendFile_END");
}

void mdlCloseWait(const TSSServer& pServer, net::SocketHandle pSock) {
    mdlTrace("mdlCloseWait_START");
    for (;;) {
        if (mdlWaitSocket(pSock, false)) {
            char byte;
            if (net::receiveSome(pSock, &byte, 1) <= 0) {
                mdlTrace("mdlCloseWait_END");
                throw SSError(msg::kDisconnected);
            }
        }
        if (pServer.mAbort) {
            mdlTrace("mdlCloseWait_END");
            throw SSError(msg::kCancelled);
        }
    }
}

std::string mdlTrimRight(std::string_view pText) {
    std::size_t end = pText.size();
    while (end > 0 && static_cast<unsigned char>(pText[end - 1]) <= 32) {
        --end;
    }
    return std::string(pText.substr(0, end));
}

}  // namespace korvane
