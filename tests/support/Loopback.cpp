#include "tests/support/Loopback.h"

#include <stdexcept>

namespace korvane::test {

std::uint16_t freePort() {
    net::SocketHandle sock = net::openTcpSocket();
    if (sock == net::kNoSocket || !net::bindIPv4(sock, "127.0.0.1", 0)) {
        throw std::runtime_error("no free port");
    }
    std::uint16_t port = net::localPort(sock);
    net::closeSocket(sock);
    return port;
}

SocketPair::SocketPair() {
    net::SocketHandle listening = net::openTcpSocket();
    if (listening == net::kNoSocket || !net::bindIPv4(listening, "127.0.0.1", 0) ||
        !net::listenOn(listening, 1)) {
        throw std::runtime_error("cannot listen on loopback");
    }
    client = net::connectIPv4("127.0.0.1", net::localPort(listening));
    std::string peer;
    server = net::acceptIPv4(listening, peer);
    net::closeSocket(listening);
    if (client == net::kNoSocket || server == net::kNoSocket) {
        throw std::runtime_error("cannot connect on loopback");
    }
}

SocketPair::~SocketPair() {
    if (server != net::kNoSocket) {
        net::closeSocket(server);
    }
    if (client != net::kNoSocket) {
        net::closeSocket(client);
    }
}

void sendAll(net::SocketHandle sock, const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        long n = net::sendSome(sock, bytes.data() + sent, bytes.size() - sent);
        if (n <= 0) {
            throw std::runtime_error("send failed");
        }
        sent += static_cast<std::size_t>(n);
    }
}

std::string receiveUpTo(net::SocketHandle sock, std::size_t count, int timeoutMs) {
    std::string bytes;
    char buffer[4096];
    while (bytes.size() < count) {
        if (net::waitSocket(sock, false, timeoutMs) != net::WaitResult::Ready) {
            break;
        }
        std::size_t want = std::min(sizeof buffer, count - bytes.size());
        long n = net::receiveSome(sock, buffer, want);
        if (n <= 0) {
            break;
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    return bytes;
}

bool waitForPeerClose(net::SocketHandle sock, std::string* rest, int timeoutMs) {
    char buffer[4096];
    for (;;) {
        if (net::waitSocket(sock, false, timeoutMs) != net::WaitResult::Ready) {
            return false;
        }
        long n = net::receiveSome(sock, buffer, sizeof buffer);
        if (n <= 0) {
            return true;
        }
        if (rest != nullptr) {
            rest->append(buffer, static_cast<std::size_t>(n));
        }
    }
}

}  // namespace korvane::test
