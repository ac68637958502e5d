#include "platform/WakeSignal.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <system_error>

namespace korvane::net {
namespace {

SOCKET native(SocketHandle handle) {
    return static_cast<SOCKET>(handle);
}

[[noreturn]] void fail(SOCKET sock, const char* what) {
    const int error = ::WSAGetLastError();
    if (sock != INVALID_SOCKET) {
        ::closesocket(sock);
    }
    throw std::system_error(error, std::system_category(), what);
}

// Select, unlike a pipe or an eventfd, waits on sockets only: a datagram socket connected to
// itself is readable while a byte it sent itself is waiting.
SOCKET selfConnectedSocket() {
    startNetworking();
    SOCKET sock = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (sock == INVALID_SOCKET) {
        fail(sock, "socket");
    }
    ::SetHandleInformation(reinterpret_cast<HANDLE>(sock), HANDLE_FLAG_INHERIT, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    u_long nonBlocking = 1;
    if (::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(sock, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        ::connect(sock, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::ioctlsocket(sock, FIONBIO, &nonBlocking) != 0) {
        fail(sock, "wake socket");
    }
    return sock;
}

}  // namespace

WakeSignal::WakeSignal() : mHandle(static_cast<SocketHandle>(selfConnectedSocket())) {}

WakeSignal::~WakeSignal() {
    ::closesocket(native(mHandle));
}

void WakeSignal::raise() {
    // One byte waiting is enough; a full buffer leaves it raised all the same.
    u_long waiting = 0;
    if (::ioctlsocket(native(mHandle), FIONREAD, &waiting) == 0 && waiting > 0) {
        return;
    }
    const char byte = 1;
    ::send(native(mHandle), &byte, 1, 0);
}

void WakeSignal::clear() {
    char bytes[16];
    while (::recv(native(mHandle), bytes, sizeof bytes, 0) > 0) {
    }
}

}  // namespace korvane::net
