#include "tools/HostedServer.h"

#include <chrono>
#include <stdexcept>

#include "core/RequestServing.h"
#include "platform/ProcessId.h"
#include "platform/Socket.h"

namespace korvane {
namespace {

std::filesystem::path makeCaptureDir() {
    static std::atomic<int> counter{0};
    auto dir =
        std::filesystem::temp_directory_path() /
        ("korvane-hosted-" + std::to_string(currentProcessId()) + "-" + std::to_string(++counter));
    std::filesystem::create_directories(dir);
    return dir;
}

}  // namespace

std::uint16_t freeLoopbackPort() {
    net::SocketHandle sock = net::openTcpSocket();
    if (sock == net::kNoSocket || !net::bindIPv4(sock, "127.0.0.1", 0)) {
        throw std::runtime_error("no free port on 127.0.0.1");
    }
    std::uint16_t port = net::localPort(sock);
    net::closeSocket(sock);
    return port;
}

HostedServer::HostedServer(int pictureWidth, int pictureHeight)
    : desktop(pictureWidth, pictureHeight),
      mDir(makeCaptureDir()),
      mHandler(desktop, window, window, (mDir / "korvane-server.png").string()),
      mServer(serveRequests(mHandler, [this](const ServerEvent& event) { observe(event); })) {
    mPort = freeLoopbackPort();
    if (auto failure = mServer->start("127.0.0.1", mPort)) {
        throw std::runtime_error(*failure);
    }
    std::unique_lock lock(mLock);
    if (!mChanged.wait_for(lock, std::chrono::seconds(10),
                           [this] { return mListening || mEnded; }) ||
        !mListening) {
        throw std::runtime_error("the server did not listen on 127.0.0.1:" + std::to_string(mPort));
    }
}

HostedServer::~HostedServer() {
    stopAndWait();
    std::error_code ignored;
    std::filesystem::remove_all(mDir, ignored);
}

double HostedServer::stopAndWait() {
    auto start = std::chrono::steady_clock::now();
    {
        std::lock_guard lock(mLock);
        if (mEnded) {
            return 0;
        }
    }
    mServer->stop();
    std::unique_lock lock(mLock);
    mChanged.wait(lock, [this] { return mEnded; });
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void HostedServer::observe(const ServerEvent& event) {
    if (event.kind == EventKind::ClientError) {
        ++mClientErrors;
    }
    // Listener events carry no connection; a connection's Information does.
    if ((event.kind == EventKind::Information && event.connectionId == 0) ||
        event.kind == EventKind::ListenerEnded) {
        std::lock_guard lock(mLock);
        (event.kind == EventKind::ListenerEnded ? mEnded : mListening) = true;
        mChanged.notify_all();
    }
}

}  // namespace korvane
