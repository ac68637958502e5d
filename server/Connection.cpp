#include "server/Connection.h"

#include "platform/SocketPoller.h"

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

bool Connection::release() {
    // Under the lock, so that the number cannot be closed and handed to another socket between
    // the look and the shutdown, and no task hands the connection back meanwhile.
    std::lock_guard guard(mCloseLock);
    mReleased = true;
    if (mSocket == net::kNoSocket) {
        return false;
    }
    if (mWaiting == Waiting::ForClose) {
        return true;
    }
    shutdownLocked();
    return false;
}

void Connection::setWaiting(Waiting waiting, std::chrono::steady_clock::time_point deadline) {
    mDeadline = deadline.time_since_epoch().count();
    mWaiting = waiting;
}

bool Connection::awaitClose(net::SocketPoller& poller,
                            std::chrono::steady_clock::time_point deadline) {
    // Under the lock, so that the listener cannot close the socket (and the number go to a new
    // connection) while it is being handed over.
    std::lock_guard guard(mCloseLock);
    const net::SocketHandle socket = mSocket;
    if (socket == net::kNoSocket) {
        return true;
    }
    // A stopped listener waits on nothing any more.
    if (mStage == Stage::TakenBack || mReleased) {
        return false;
    }
    setWaiting(Waiting::ForClose, deadline);
    poller.watch(socket, this);
    return true;
}

bool Connection::finishIntake() {
    Stage expected = Stage::Reading;
    return mStage.compare_exchange_strong(expected, Stage::Read);
}

void Connection::finishReply() {
    Stage expected = Stage::Read;
    mStage.compare_exchange_strong(expected, Stage::Replied);
}

bool Connection::takeBack(std::chrono::steady_clock::time_point slowSince) {
    std::lock_guard guard(mCloseLock);
    const net::SocketHandle socket = mSocket;
    if (socket == net::kNoSocket) {
        return false;
    }
    Stage expected = Stage::Replied;
    if (!mStage.compare_exchange_strong(expected, Stage::TakenBack)) {
        expected = Stage::Reading;
        const bool mayBeWhole = mOpened >= slowSince && net::pendingBytes(socket) > 0;
        if (mayBeWhole || !mStage.compare_exchange_strong(expected, Stage::TakenBack)) {
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
