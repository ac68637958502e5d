#include "server/FramedSocket.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/Cp932.h"
#include "platform/Trace.h"
#include "server/ServerError.h"
#include "server/ServerMessages.h"

namespace korvane {
namespace {

constexpr std::size_t kFilePiece = 2048;
// Reads go in pieces of this size at most, so a peer that announces a large body and sends
// little holds little memory.
constexpr std::size_t kReceivePiece = 64 * 1024;

[[noreturn]] void throwStreamError(const char* what) {
    throw ServerError(std::string(what) + ": " + std::strerror(errno));
}

}  // namespace

bool waitSocketReady(net::SocketHandle socket, bool forWrite) {
    switch (net::waitSocket(socket, forWrite, 1000)) {
        case net::WaitResult::Failed:
            throw ServerError(msg::kSelectFailed);
        case net::WaitResult::TimedOut:
            return false;
        case net::WaitResult::Ready:
            break;
    }
    return true;
}

void FramedSocket::checkStopping() const {
    if (mStopping) {
        throw ServerError(msg::kCancelled);
    }
}

void FramedSocket::sendAll(const char* data, std::size_t size) {
    std::size_t sent = 0;
    while (sent != size) {
        long n = net::sendNow(mSocket, data + sent, size - sent);
        if (n == net::kWouldBlock && waitReady(true)) {
            n = net::sendSome(mSocket, data + sent, size - sent);
        }
        if (n != net::kWouldBlock) {
            if (n <= 0) {
                throw ServerError(msg::kDisconnected);
            }
            sent += static_cast<std::size_t>(n);
        }
        checkStopping();
    }
}

void FramedSocket::receiveText(std::string& text, std::int32_t count, Deadline deadline) {
    trace("mdlRecvData_START");
    text.clear();
    if (count <= 0) {
        trace("mdlRecvData_END");
        return;
    }
    // Decoded as one block, so that a double-byte character split between pieces stays whole.
    const auto wanted = static_cast<std::size_t>(count);
    std::string block;
    while (block.size() != wanted) {
        const std::size_t received = block.size();
        block.resize(received + std::min(wanted - received, kReceivePiece));
        long n = net::receiveNow(mSocket, block.data() + received, block.size() - received);
        if (n == net::kWouldBlock && waitReady(false)) {
            n = net::receiveSome(mSocket, block.data() + received, block.size() - received);
        }
        block.resize(received + static_cast<std::size_t>(std::max(n, 0L)));
        if (n != net::kWouldBlock && n <= 0) {
            text = Cp932::decode(block);
            throw ServerError(msg::kDisconnected);
        }
        if (mStopping || std::chrono::steady_clock::now() >= deadline) {
            text = Cp932::decode(block);
        }
        checkStopping();
        if (std::chrono::steady_clock::now() >= deadline) {
            throw ServerError(msg::kTimedOut);
        }
    }
    text = Cp932::decode(block);
    trace("mdlRecvData_END");
}

void FramedSocket::sendText(const std::string& text) {
    if (traceEnabled()) {
        trace("mdlSendData_START:" + text);
    }
    const std::string bytes = Cp932::encode(text);
    sendAll(bytes.data(), bytes.size());
    trace("mdlSendData_END");
}

void FramedSocket::receiveFile(std::FILE* stream, std::int64_t count, Deadline deadline) {
    trace("mdlRecvFile_START");
    char piece[kFilePiece];
    std::int64_t received = 0;
    while (received < count) {
        if (waitReady(false)) {
            auto want = static_cast<std::size_t>(
                std::min<std::int64_t>(static_cast<std::int64_t>(kFilePiece), count - received));
            long n = net::receiveSome(mSocket, piece, want);
            if (n <= 0) {
                throw ServerError(msg::kDisconnected);
            }
            if (std::fwrite(piece, 1, static_cast<std::size_t>(n), stream) !=
                static_cast<std::size_t>(n)) {
                throwStreamError("ファイルに書き込めません");
            }
            received += n;
        }
        checkStopping();
        if (std::chrono::steady_clock::now() >= deadline) {
            throw ServerError(msg::kTimedOut);
        }
    }
    trace("mdlRecvFile_END");
}

void FramedSocket::sendFile(std::FILE* stream) {
    trace("mdlSendFile_START");
    struct stat info {};
    if (::fstat(::fileno(stream), &info) != 0) {
        throwStreamError("ファイルを読めません");
    }
    auto size = static_cast<std::int64_t>(info.st_size);
    std::rewind(stream);
    char piece[kFilePiece];
    std::int64_t done = 0;
    while (done != size) {
        auto want = static_cast<std::size_t>(
            std::min<std::int64_t>(static_cast<std::int64_t>(kFilePiece), size - done));
        std::size_t got = std::fread(piece, 1, want, stream);
        if (got != want) {
            throwStreamError("ファイルを読めません");
        }
        sendAll(piece, got);
        done += static_cast<std::int64_t>(got);
        checkStopping();
    }
    trace("mdlSendFile_END");
}

}  // namespace korvane
