#include "server/Connection.h"

#include <chrono>
#include <thread>

namespace korvane {

Connection::Connection(net::SocketHandle socket, std::uint64_t id, std::string address)
    : mSocket(socket), mId(id), mAddress(std::move(address)) {}

Connection::~Connection() {
    close();
}

void Connection::close() {
    std::lock_guard guard(mCloseLock);
    net::SocketHandle socket = mSocket.exchange(net::kNoSocket);
    if (socket != net::kNoSocket) {
        net::closeSocket(socket);
    }
}

void Connection::release() {
    for (int i = 0; i < 50 && !closed(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    // Under the lock, so that the number cannot be closed and handed to another socket between
    // the look and the shutdown.
    std::lock_guard guard(mCloseLock);
    shutdownLocked();
}

bool Connection::finishIntake() {
    Stage expected = Stage::Reading;
    return mStage.compare_exchange_strong(expected, Stage::Read);
}

void Connection::finishReply() {
    Stage expected = Stage::Read;
    mStage.compare_exchange_strong(expected, Stage::Replied);
}

bool Connection::takeBack() {
    std::lock_guard guard(mCloseLock);
    const net::SocketHandle socket = mSocket;
    if (socket == net::kNoSocket) {
        return false;
    }
    Stage expected = Stage::Replied;
    if (!mStage.compare_exchange_strong(expected, Stage::TakenBack)) {
        expected = Stage::Reading;
        if (net::pendingBytes(socket) > 0 ||
            !mStage.compare_exchange_strong(expected, Stage::TakenBack)) {
            return false;
        }
    }
    shutdownLocked();
    return true;
}

void Connection::shutdownLocked() {
    net::SocketHandle socket = mSocket;
    if (socket != net::kNoSocket) {
        net::shutdownSocket(socket);
    }
}

}  // namespace korvane
