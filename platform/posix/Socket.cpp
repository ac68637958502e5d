#include "platform/Socket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>


namespace korvane::net {

std::string startNetworking() {
    return {};
}

SocketHandle openTcpSocket() {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
    return fd < 0 ? kNoSocket : fd;
}

void setReceiveBuffer(SocketHandle sock, int bytes) {
    ::setsockopt(sock, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
}

void setReuseAddress(SocketHandle sock) {
    int on = 1;
    ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
}

bool bindIPv4(SocketHandle sock, const std::string& address, std::uint16_t port) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    if (::inet_pton(AF_INET, address.c_str(), &addr.sin_addr) != 1) {
        return false;
    }
    return ::bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
}

const int kMaxBacklog = SOMAXCONN;

bool listenOn(SocketHandle sock, int backlog) {
    return ::listen(sock, backlog) == 0;
}

SocketHandle acceptIPv4(SocketHandle sock, std::string& peer) {
    sockaddr_in addr{};
    socklen_t len = sizeof addr;
    int fd = ::accept4(sock, reinterpret_cast<sockaddr*>(&addr), &len, SOCK_CLOEXEC);
    if (fd < 0) {
        return kNoSocket;
    }
    // A message goes out in several sends (header, fixed fields, file pieces); with Nagle's
    // algorithm the later ones would wait for the phone's delayed acknowledgement, about 40 ms.
    int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &addr.sin_addr, text, sizeof text);
    peer = text;
    return fd;
}

SocketHandle connectIPv4(const std::string& address, std::uint16_t port,
                         const std::string& source) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    if (::inet_pton(AF_INET, address.c_str(), &addr.sin_addr) != 1) {
        return kNoSocket;
    }
    SocketHandle fd = openTcpSocket();
    if (fd == kNoSocket) {
        return kNoSocket;
    }
    if (!source.empty() && !bindIPv4(fd, source, 0)) {
        ::close(fd);
        return kNoSocket;
    }
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(static_cast<int>(fd));
        return kNoSocket;
    }
    return fd;
}

std::uint16_t localPort(SocketHandle sock) {
    sockaddr_in addr{};
    socklen_t len = sizeof addr;
    if (::getsockname(sock, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        return 0;
    }
    return ntohs(addr.sin_port);
}

WaitResult waitSocket(SocketHandle sock, bool forWrite, int timeoutMs) {
    pollfd entry{static_cast<int>(sock), static_cast<short>(forWrite ? POLLOUT : POLLIN), 0};
    int rc = ::poll(&entry, 1, timeoutMs);
    if (rc < 0) {
        // A signal is no failure of the socket: the caller simply waits again.
        return errno == EINTR ? WaitResult::TimedOut : WaitResult::Failed;
    }
    if (rc == 0) {
        return WaitResult::TimedOut;
    }
    return (entry.revents & POLLNVAL) ? WaitResult::Failed : WaitResult::Ready;
}

long receiveSome(SocketHandle sock, void* buffer, std::size_t size) {
    ssize_t n;
    do {
        n = ::recv(sock, buffer, size, 0);
    } while (n < 0 && errno == EINTR);
    return static_cast<long>(n);
}

long sendSome(SocketHandle sock, const void* data, std::size_t size) {
    ssize_t n;
    do {
        n = ::send(sock, data, size, MSG_NOSIGNAL);
    } while (n < 0 && errno == EINTR);
    return static_cast<long>(n);
}

long receiveNow(SocketHandle sock, void* buffer, std::size_t size) {
    ssize_t n;
    do {
        n = ::recv(sock, buffer, size, MSG_DONTWAIT);
    } while (n < 0 && errno == EINTR);
    return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) ? kWouldBlock : static_cast<long>(n);
}

long sendNow(SocketHandle sock, const void* data, std::size_t size) {
    ssize_t n;
    do {
        n = ::send(sock, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
    } while (n < 0 && errno == EINTR);
    return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) ? kWouldBlock : static_cast<long>(n);
}

std::size_t pendingBytes(SocketHandle sock) {
    int count = 0;
    return ::ioctl(sock, FIONREAD, &count) == 0 && count > 0 ? static_cast<std::size_t>(count) : 0;
}

void shutdownSocket(SocketHandle sock) {
    ::shutdown(sock, SHUT_RDWR);
}

void closeSocket(SocketHandle sock) {
    ::close(static_cast<int>(sock));
}

}  // namespace korvane::net
