#pragma once

#include <cstdint>
#include <string>

#include "platform/Socket.h"

namespace korvane::test {

// A port on 127.0.0.1 that nothing listens on at the moment of the call.
std::uint16_t freePort();

// Both ends of one TCP connection over 127.0.0.1.
struct SocketPair {
    SocketPair();
    ~SocketPair();
    SocketPair(const SocketPair&) = delete;
    SocketPair& operator=(const SocketPair&) = delete;

    net::SocketHandle server = net::kNoSocket;
    net::SocketHandle client = net::kNoSocket;
};

// Sends all bytes (blocking).
void sendAll(net::SocketHandle sock, const std::string& bytes);
// Receives until `count` bytes have arrived or the peer closes (at most `timeoutMs` per wait).
std::string receiveUpTo(net::SocketHandle sock, std::size_t count, int timeoutMs = 15000);
// True when the peer closes within the time; bytes before the close are appended to `rest`.
bool waitForPeerClose(net::SocketHandle sock, std::string* rest = nullptr, int timeoutMs = 15000);

}  // namespace korvane::test
