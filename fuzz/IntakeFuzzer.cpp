// The request intake as a byte stream: each input is everything a peer sends on one connection to
// the real server (with request handling and a canned desktop) on 127.0.0.1, followed by the
// peer's close. Whatever the bytes, the server must close the connection in time, and what it sent
// must be well-framed messages ending with at most one reply.
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
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

std::size_t threadCount() {
    const std::filesystem::directory_iterator tasks("/proc/self/task");
    return static_cast<std::size_t>(std::distance(begin(tasks), end(tasks)));
}

// The server as it listens with no connection; also how many threads that takes.
HostedServer& sharedHost(std::size_t& idleThreads) {
    static std::size_t threads = 0;
    static HostedServer* host = [] {
        setTraceSink([](const std::string&) {});
        auto* server = new HostedServer(8, 8);
        threads = threadCount();
        return server;
    }();
    idleThreads = threads;
    return *host;
}

// The client sees the close a moment before the server's thread has returned. Waiting for it
// makes every connection's memory released when the input ends, so that libFuzzer's leak check
// after an input sees no allocation of a thread still running.
void waitForServerThreads(std::size_t idleThreads) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kPatienceMs);
    while (threadCount() > idleThreads) {
        if (std::chrono::steady_clock::now() > deadline) {
            fault("a connection's thread outlived its conversation");
        }
        std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
}

// Sends what the server takes of the input, then ends the sending side.
void sendInput(net::SocketHandle sock, std::string_view input) {
    std::size_t sent = 0;
    while (sent < input.size()) {
        if (net::waitSocket(sock, true, kPatienceMs) != net::WaitResult::Ready) {
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
        if (std::chrono::steady_clock::now() > deadline ||
            net::waitSocket(sock, false, kPatienceMs) != net::WaitResult::Ready) {
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
    std::size_t idleThreads = 0;
    HostedServer& host = sharedHost(idleThreads);
    net::SocketHandle sock = net::connectIPv4("127.0.0.1", host.port());
    if (sock == net::kNoSocket) {
        fault("cannot connect");
    }
    sendInput(sock, std::string_view(reinterpret_cast<const char*>(data), size));
    std::string out = receiveUntilClose(sock);
    net::closeSocket(sock);
    checkFraming(out);
    waitForServerThreads(idleThreads);
    return 0;
}
