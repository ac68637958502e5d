#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/Socket.h"

namespace korvane {

using Deadline = std::chrono::steady_clock::time_point;
inline constexpr Deadline kNoDeadline = Deadline::max();

// Waits up to one second; true when the socket is ready to be read (or written, `forWrite`).
// Throws ServerError on a failed wait.
bool waitSocketReady(net::SocketHandle socket, bool forWrite);

// One connection's socket as the server reads and writes it: whole texts in CP932 and files in
// pieces, each wait at most a second long so that the server's stop flag is seen within one.
// Every failure throws ServerError with a text of the message table.
class FramedSocket {
  public:
    FramedSocket(net::SocketHandle socket, const std::atomic<bool>& stopping)
        : mSocket(socket), mStopping(stopping) {}

    // Receives exactly `count` bytes and decodes them from CP932 into `text`; on a failure `text`
    // holds what arrived. Past `deadline` it fails with kTimedOut. The buffer grows with what
    // arrives, not with what was announced.
    void receiveText(std::string& text, std::int32_t count, Deadline deadline = kNoDeadline);
    // Encodes the text in CP932 and sends all of it.
    void sendText(const std::string& text);
    // Receives exactly `count` raw bytes into `stream`, in pieces of at most 2048 bytes; past
    // `deadline` it fails with kTimedOut.
    void receiveFile(std::FILE* stream, std::int64_t count, Deadline deadline = kNoDeadline);
    // Sends the whole of `stream` from its start, in pieces of at most 2048 bytes.
    void sendFile(std::FILE* stream);

  private:
    bool waitReady(bool forWrite) { return waitSocketReady(mSocket, forWrite); }
    void sendAll(const char* data, std::size_t size);
    void checkStopping() const;

    net::SocketHandle mSocket;
    const std::atomic<bool>& mStopping;
};

}  // namespace korvane
