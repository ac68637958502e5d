#include "bench/ReferenceServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "handling/Protocol.h"
#include "handling/RequestFields.h"
#include "platform/Cp932.h"
#include "platform/Utf8.h"
#include "server/Framing.h"

namespace korvane {
namespace {

struct Connection {
    int fd;
    std::string in;
    bool replied = false;
};

// The reply to a whole request, or "" when the request is not a 101 (the connection is dropped).
std::string Answer(const std::string& wire, std::size_t bodyLength) {
    std::string body = Cp932::decode(std::string_view(wire).substr(16, bodyLength));
    std::vector<std::string> fields = splitRequest(parseRequestBody(body).data);
    if (fields.empty() || fields[0] != "101") {
        return "";
    }
    std::string reply = Cp932::encode(protocol::settingsReply());
    return makeHeader(static_cast<std::int64_t>(reply.size()), MessageType::Reply) + reply;
}

// False when the connection is finished: the peer closed, or the request was not one to answer.
bool serve(Connection& c) {
    char buffer[4096];
    ssize_t n = ::recv(c.fd, buffer, sizeof buffer, 0);
    if (n <= 0) {
        return false;
    }
    if (c.replied) {
        return true;  // thrown away until the peer closes
    }
    c.in.append(buffer, static_cast<std::size_t>(n));
    if (c.in.size() < 16) {
        return true;
    }
    std::int32_t length = 0;
    try {
        std::string_view header(c.in.data(), 16);
        if (checkDigit(header.substr(0, 10)) != header.substr(10, 1) ||
            parseInt32(header.substr(11, 5), false) != 2) {
            return false;
        }
        length = parseInt32(header.substr(0, 10), false);
    } catch (const std::exception&) {
        return false;
    }
    if (length > kMaxRequestBody) {
        return false;
    }
    if (c.in.size() < 16 + static_cast<std::size_t>(length)) {
        return true;
    }
    std::string reply = Answer(c.in, static_cast<std::size_t>(length));
    // A reply this small fits the empty send buffer of a new connection whole.
    if (reply.empty() || ::send(c.fd, reply.data(), reply.size(), MSG_NOSIGNAL) !=
                             static_cast<ssize_t>(reply.size())) {
        return false;
    }
    c.replied = true;
    c.in.clear();
    return true;
}

}  // namespace

ReferenceServer::ReferenceServer() {
    mListen = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof addr;
    if (mListen < 0 || ::bind(mListen, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(mListen, SOMAXCONN) != 0 ||
        ::getsockname(mListen, reinterpret_cast<sockaddr*>(&addr), &length) != 0 ||
        ::pipe(mWake) != 0) {
        throw std::runtime_error("the reference server cannot listen on 127.0.0.1");
    }
    mPort = ntohs(addr.sin_port);
    mThread = std::thread([this] { loop(); });
}

ReferenceServer::~ReferenceServer() {
    mStop = true;
    char byte = 0;
    if (::write(mWake[1], &byte, 1) < 0) {
        // The loop still sees the flag within its poll timeout.
    }
    mThread.join();
    ::close(mListen);
    ::close(mWake[0]);
    ::close(mWake[1]);
}

void ReferenceServer::loop() {
    std::vector<Connection> connections;
    std::vector<pollfd> fds;
    while (!mStop) {
        fds.assign({{mListen, POLLIN, 0}, {mWake[0], POLLIN, 0}});
        for (const Connection& c : connections) {
            fds.push_back({c.fd, POLLIN, 0});
        }
        if (::poll(fds.data(), fds.size(), 1000) <= 0) {
            continue;
        }
        std::vector<Connection> kept;
        for (std::size_t i = 0; i < connections.size(); ++i) {
            Connection& c = connections[i];
            if (fds[i + 2].revents == 0 || serve(c)) {
                kept.push_back(std::move(c));
            } else {
                ::close(c.fd);
            }
        }
        connections.swap(kept);
        if (fds[0].revents & POLLIN) {
            int fd;
            while ((fd = ::accept4(mListen, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC)) >= 0) {
                connections.push_back({fd, {}, false});
            }
        }
    }
    for (const Connection& c : connections) {
        ::close(c.fd);
    }
}

}  // namespace korvane
