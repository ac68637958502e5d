#include "tools/HostedServer.h"

#include <unistd.h>

#include <chrono>
#include <stdexcept>

#include "platform/Socket.h"

namespace korvane {
namespace {

std::filesystem::path MakeCaptureDir() {
    static std::atomic<int> counter{0};
    auto dir = std::filesystem::temp_directory_path() /
               ("korvane-hosted-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
    std::filesystem::create_directories(dir);
    return dir;
}

}  // namespace

std::uint16_t FreeLoopbackPort() {
    net::SocketHandle sock = net::openTcpSocket();
    if (sock == net::kNoSocket || !net::bindIPv4(sock, "127.0.0.1", 0)) {
        throw std::runtime_error("no free port on 127.0.0.1");
    }
    std::uint16_t port = net::localPort(sock);
    net::closeSocket(sock);
    return port;
}

THostedServer::THostedServer(int pPictureWidth, int pPictureHeight)
    : desktop(pPictureWidth, pPictureHeight),
      mDir(MakeCaptureDir()),
      mHandler(desktop, Window, Window, Window, (mDir / "korvane-server.png").string()),
      Server([this](TSSChild* handle, std::uint8_t kind, std::int32_t serial, std::string ip,
                    std::string key, std::string data,
                    std::string error) { OnEvent(handle, kind, serial, ip, key, data, error); }) {
    mHandler.SetServer(&Server);
    mPort = FreeLoopbackPort();
    std::string error;
    if (!Server.Start("127.0.0.1", mPort, error)) {
        throw std::runtime_error(error);
    }
    std::unique_lock lock(mLock);
    if (!mChanged.wait_for(lock, std::chrono::seconds(10),
                           [this] { return mListening || mEnded; }) ||
        !mListening) {
        throw std::runtime_error("the server did not listen on 127.0.0.1:" + std::to_string(mPort));
    }
}

THostedServer::~THostedServer() {
    StopAndWait();
    std::error_code ignored;
    std::filesystem::remove_all(mDir, ignored);
}

double THostedServer::StopAndWait() {
    auto start = std::chrono::steady_clock::now();
    {
        std::lock_guard lock(mLock);
        if (mEnded) {
            return 0;
        }
    }
    Server.Stop();
    std::unique_lock lock(mLock);
    mChanged.wait(lock, [this] { return mEnded; });
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void THostedServer::OnEvent(TSSChild* pHandle, std::uint8_t pKind, std::int32_t pSerial,
                            const std::string& pIp, const std::string& pKey,
                            const std::string& pData, const std::string& pError) {
    if (pKind == kEventClientError) {
        ++mClientErrors;
    }
    // Listener events carry no address; a connection's event 0 does.
    if ((pKind == kEventInformation && pIp.empty()) || pKind == kEventListenerEnded) {
        std::lock_guard lock(mLock);
        (pKind == kEventListenerEnded ? mEnded : mListening) = true;
        mChanged.notify_all();
    }
    mHandler.ServerEventProc(pHandle, pKind, pSerial, pIp, pKey, pData, pError);
}

}  // namespace korvane
