#include "platform/Socket.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <set>

namespace korvane::net {
namespace {

SOCKET native(SocketHandle sock) {
    return static_cast<SOCKET>(sock);
}

SocketHandle handleOf(SOCKET sock) {
    return sock == INVALID_SOCKET ? kNoSocket : static_cast<SocketHandle>(sock);
}

// Winsock's handles are inheritable by default; a started child must not keep a connection open.
SocketHandle uninherited(SOCKET sock) {
    if (sock != INVALID_SOCKET) {
        ::SetHandleInformation(reinterpret_cast<HANDLE>(sock), HANDLE_FLAG_INHERIT, 0);
    }
    return handleOf(sock);
}

// POSIX poll reports a socket that this process has shut down as ready, which wakes a thread
// waiting on it; Winsock's select does not. The sockets shut down here are remembered until they
// are closed, and a wait looks at them between short slices.
constexpr int kWaitSliceMs = 100;
constexpr std::size_t kSendPiece = 64 * 1024;

std::mutex& shutLock() {
    static std::mutex lock;
    return lock;
}

std::set<SOCKET>& shutSockets() {
    static std::set<SOCKET> sockets;
    return sockets;
}

bool isShut(SOCKET sock) {
    std::lock_guard guard(shutLock());
    return shutSockets().count(sock) != 0;
}

}  // namespace

std::string startNetworking() {
    // Winsock stays started until the process ends: sockets are used until its last thread ends.
    static std::once_flag once;
    static bool started = false;
    std::call_once(once, [] {
        WSADATA data{};
        started = ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    });
    return started ? std::string() : std::string("[WSAStartupFailed]に失敗しました。");
}

SocketHandle openTcpSocket() {
    if (!startNetworking().empty()) {
        return kNoSocket;
    }
    return uninherited(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
}

void setReceiveBuffer(SocketHandle sock, int bytes) {
    ::setsockopt(native(sock), SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&bytes),
                 sizeof bytes);
}

void setReuseAddress(SocketHandle sock) {
    BOOL on = TRUE;
    ::setsockopt(native(sock), SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&on),
                 sizeof on);
}

bool bindIPv4(SocketHandle sock, const std::string& address, std::uint16_t port) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = ::htons(port);
    if (::inet_pton(AF_INET, address.c_str(), &addr.sin_addr) != 1) {
        return false;
    }
    return ::bind(native(sock), reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
}

bool listenOn(SocketHandle sock, int backlog) {
    return ::listen(native(sock), backlog) == 0;
}

SocketHandle acceptIPv4(SocketHandle sock, std::string& peer) {
    sockaddr_in addr{};
    int len = sizeof addr;
    SocketHandle accepted =
        uninherited(::accept(native(sock), reinterpret_cast<sockaddr*>(&addr), &len));
    if (accepted == kNoSocket) {
        return kNoSocket;
    }
    // A message goes out in several sends (header, fixed fields, file pieces); with Nagle's
    // algorithm the later ones would wait for the phone's delayed acknowledgement.
    BOOL on = TRUE;
    ::setsockopt(native(accepted), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on),
                 sizeof on);
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &addr.sin_addr, text, sizeof text);
    peer = text;
    return accepted;
}

SocketHandle connectIPv4(const std::string& address, std::uint16_t port,
                         const std::string& source) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = ::htons(port);
    if (::inet_pton(AF_INET, address.c_str(), &addr.sin_addr) != 1) {
        return kNoSocket;
    }
    SocketHandle sock = openTcpSocket();
    if (sock == kNoSocket) {
        return kNoSocket;
    }
    if (!source.empty() && !bindIPv4(sock, source, 0)) {
        ::closesocket(native(sock));
        return kNoSocket;
    }
    if (::connect(native(sock), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::closesocket(native(sock));
        return kNoSocket;
    }
    return sock;
}

std::uint16_t localPort(SocketHandle sock) {
    sockaddr_in addr{};
    int len = sizeof addr;
    if (::getsockname(native(sock), reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        return 0;
    }
    return ::ntohs(addr.sin_port);
}

const int kMaxBacklog = SOMAXCONN;

WaitResult waitSocket(SocketHandle sock, bool forWrite, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (isShut(native(sock))) {
            return WaitResult::Ready;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        const int slice = timeoutMs < 0
                              ? kWaitSliceMs
                              : static_cast<int>(std::clamp<long long>(left, 0, kWaitSliceMs));
        // Winsock's fd_set is a list of handles, not a bit mask, so any socket fits in it.
        fd_set ready;
        fd_set failed;
        FD_ZERO(&ready);
        FD_ZERO(&failed);
        FD_SET(native(sock), &ready);
        FD_SET(native(sock), &failed);
        timeval timeout{0, slice * 1000};
        int rc = ::select(0, forWrite ? nullptr : &ready, forWrite ? &ready : nullptr, &failed,
                          &timeout);
        if (rc == SOCKET_ERROR) {
            return WaitResult::Failed;
        }
        if (rc > 0) {
            return WaitResult::Ready;
        }
        if (timeoutMs >= 0 && left <= kWaitSliceMs) {
            return WaitResult::TimedOut;
        }
    }
}

namespace {

// 0 when the socket can be read (or written) at once, kWouldBlock when not, -1 when the look
// failed: Winsock has no flag that makes one call of a blocking socket return at once.
long readyNow(SocketHandle sock, bool forWrite) {
    switch (waitSocket(sock, forWrite, 0)) {
        case WaitResult::Failed:
            return -1;
        case WaitResult::TimedOut:
            return kWouldBlock;
        case WaitResult::Ready:
            break;
    }
    return 0;
}

}  // namespace

long receiveNow(SocketHandle sock, void* buffer, std::size_t size) {
    const long ready = readyNow(sock, false);
    return ready != 0 ? ready : receiveSome(sock, buffer, size);
}

long sendNow(SocketHandle sock, const void* data, std::size_t size) {
    const long ready = readyNow(sock, true);
    return ready != 0 ? ready : sendSome(sock, data, size);
}

long receiveSome(SocketHandle sock, void* buffer, std::size_t size) {
    int chunk = size > 0x40000000 ? 0x40000000 : static_cast<int>(size);
    return ::recv(native(sock), static_cast<char*>(buffer), chunk, 0);
}

long sendSome(SocketHandle sock, const void* data, std::size_t size) {
    // A blocking send larger than the socket's buffer waits under Wine until the peer has taken
    // it all, and never learns that the peer is gone; a piece that fits fails on the next call.
    int chunk = size > kSendPiece ? kSendPiece : static_cast<int>(size);
    return ::send(native(sock), static_cast<const char*>(data), chunk, 0);
}

std::size_t pendingBytes(SocketHandle sock) {
    u_long count = 0;
    return ::ioctlsocket(native(sock), FIONREAD, &count) == 0 ? static_cast<std::size_t>(count) : 0;
}

void shutdownSocket(SocketHandle sock) {
    {
        std::lock_guard guard(shutLock());
        shutSockets().insert(native(sock));
    }
    ::shutdown(native(sock), SD_BOTH);
}

void closeSocket(SocketHandle sock) {
    // Forgotten before the handle is released: the system may hand its number to a new socket.
    {
        std::lock_guard guard(shutLock());
        shutSockets().erase(native(sock));
    }
    ::closesocket(native(sock));
}

}  // namespace korvane::net
