#include "server/SSChildUnit.h"

#include <chrono>
#include <mutex>
#include <thread>

namespace korvane {

TSSChild::TSSChild(net::SocketHandle pSock) : mSock(pSock) {}

TSSChild::~TSSChild() {
    CloseSocket();
}

void TSSChild::CloseSocket() {
    std::lock_guard guard(mCloseLock);
    net::SocketHandle sock = mSock.exchange(net::kNoSocket);
    if (sock != net::kNoSocket) {
        net::closeSocket(sock);
    }
}

void TSSChild::Free() {
    for (int i = 0; i < 50 && mSock != net::kNoSocket; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    // Under the lock, so that the number cannot be closed and handed to another socket between
    // the look and the shutdown.
    std::lock_guard guard(mCloseLock);
    ShutdownSocketLocked();
}

bool TSSChild::FinishIntake() {
    Intake expected = kReading;
    return mIntake.compare_exchange_strong(expected, kRead);
}

bool TSSChild::TakeBack() {
    std::lock_guard guard(mCloseLock);
    const net::SocketHandle sock = mSock;
    if (sock == net::kNoSocket || net::pendingBytes(sock) > 0) {
        return false;
    }
    Intake expected = kReading;
    if (!mIntake.compare_exchange_strong(expected, kTakenBack)) {
        return false;
    }
    ShutdownSocketLocked();
    return true;
}

void TSSChild::ShutdownSocketLocked() {
    net::SocketHandle sock = mSock;
    if (sock != net::kNoSocket) {
        net::shutdownSocket(sock);
    }
}

}  // namespace korvane
