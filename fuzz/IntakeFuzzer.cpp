// The request intake as a byte stream: each input is everything a peer sends on one connection to
// the real server (with request handling and a canned desktop) on 127.0.0.1, followed by the
// peer's close. Whatever the bytes, the server must close the connection in time, and what it sent
// must be well-framed messages ending with at most one reply.
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <thread>

#include "platform/Socket.h"
#include "platform/Trace.h"
#include "server/Framing.h"
#include "tools/HostedServer.h"

namespace {

using namespace korvane;

constexpr int kPatienceMs = 20000;

[[noreturn]] void fault(const std::string& what) {
    std::fprintf(stderr, "intake fault: %s\n", what.c_str());
    std::abort();
}

// The server as it listens with no connection; also how many tasks that runs (the listener's).
HostedServer& sharedHost(int& idleTasks) {
    static int tasks = 0;
    static HostedServer* host = [] {
        setTraceSink([](const std::string&) {});
        auto* server = new HostedServer(8, 8);
        tasks = server->busyTasks();
        return server;
    }();
    idleTasks = tasks;
    return *host;
}

// The client sees the close a moment before the server's task has returned. Waiting for it
// makes every connection's memory released when the input ends, so that libFuzzer's leak check
// after an input sees no allocation of a task still running. Threads stay in the server's pool
// when their task is done, so the tasks are counted, not the threads.
void waitForServerTasks(const HostedServer& host, int idleTasks) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kPatienceMs);
    while (host.busyTasks() > idleTasks) {
        if (std::chrono::steady_clock::now() > deadline) {
            fault("a connection's thread outlived its conversation");
        }
        std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
}

// Whether the socket became ready before `deadline`. libFuzzer's timeout alarm (SIGALRM) cuts a
// wait short now and then; that is no fault of the server, so the wait goes on.
bool waitUntil(net::SocketHandle sock, bool forWrite,
               std::chrono::steady_clock::time_point deadline) {
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return false;
        }
        switch (net::waitSocket(sock, forWrite, static_cast<int>(left.count()))) {
            case net::WaitResult::Ready:
                return true;
            case net::WaitResult::Failed:
                return false;
            case net::WaitResult::TimedOut:
                break;
        }
    }
}

// A connect the alarm interrupts is tried again on a new socket; the server sees the first one
// end as a peer that left.
net::SocketHandle connectToHost(std::uint16_t port) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        net::SocketHandle sock = net::connectIPv4("127.0.0.1", port);
        if (sock != net::kNoSocket || errno != EINTR) {
            return sock;
        }
    }
    return net::kNoSocket;
}

// Sends what the server takes of the input, then ends the sending side.
void sendInput(net::SocketHandle sock, std::string_view input) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kPatienceMs);
    std::size_t sent = 0;
    while (sent < input.size()) {
        if (!waitUntil(sock, true, deadline)) {
            fault("the server stopped reading without closing");
        }
        long n = net::sendSome(sock, input.data() + sent, input.size() - sent);
        if (n <= 0) {
            break;  // the server closed early, as it may
        }
        sent += static_cast<std::size_t>(n);
    }
    ::shutdown(sock, SHUT_WR);
}

std::string receiveUntilClose(net::SocketHandle sock) {
    std::string received;
    char buffer[8192];
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kPatienceMs);
    for (;;) {
        // Acknowledged at once: the server sends a file message in several small pieces, and a
        // delayed acknowledgement would hold each of them back (40 ms) and slow the fuzzing down.
        int on = 1;
        ::setsockopt(sock, IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
        if (!waitUntil(sock, false, deadline)) {
            fault("the server kept the connection open");
        }
        long n = net::receiveSome(sock, buffer, sizeof buffer);
        if (n <= 0) {
            return received;
        }
        received.append(buffer, static_cast<std::size_t>(n));
    }
}

// File messages (type 3) and then at most one reply (type 9), each whole and correctly framed.
void checkFraming(std::string_view out) {
    bool replied = false;
    while (!out.empty()) {
        if (replied) {
            fault("bytes after the reply");
        }
        if (out.size() < 16) {
            fault("a partial header");
        }
        if (checkDigit(out.substr(0, 10)) != out.substr(10, 1)) {
            fault("a wrong check digit");
        }
        auto length = static_cast<std::size_t>(parseInt32(out.substr(0, 10), false));
        std::int32_t type = parseInt32(out.substr(11, 5), false);
        if (type != 3 && type != 9) {
            fault("message type " + std::to_string(type));
        }
        if (type == 3 && length < 780) {
            fault("a file message without its fixed fields");
        }
        if (out.size() < 16 + length) {
            fault("a message cut short");
        }
        replied = type == 9;
        out.remove_prefix(16 + length);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    int idleTasks = 0;
    HostedServer& host = sharedHost(idleTasks);
    net::SocketHandle sock = connectToHost(host.port());
    if (sock == net::kNoSocket) {
        fault("cannot connect");
    }
    sendInput(sock, std::string_view(reinterpret_cast<const char*>(data), size));
    std::string out = receiveUntilClose(sock);
    net::closeSocket(sock);
    checkFraming(out);
    waitForServerTasks(host, idleTasks);
    return 0;
}
