#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "platform/Socket.h"
#include "server/RequestReader.h"

namespace korvane::net {
class SocketPoller;
}

namespace korvane {

// One accepted connection and the state of the request on it; also the handle that events carry.
// The listener and the task serving the connection share it, so a task that outlives the
// listener's wait still finds its record alive. The connection is in one hand at a time: the
// listener's while it waits for the request and while it waits for the peer's close after the
// reply, a task's in between; the hand-overs order what each side wrote before.
class Connection : public std::enable_shared_from_this<Connection> {
  public:
    Connection(net::SocketHandle socket, std::uint64_t id, std::string address);
    // Closes the socket if nobody did.
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    net::SocketHandle socket() const { return mSocket; }
    bool closed() const { return mSocket == net::kNoSocket; }
    std::uint64_t id() const { return mId; }
    const std::string& address() const { return mAddress; }

    // Closes the socket and marks the record finished; the last act of whoever holds it.
    void close();
    // The stopping listener's last word: false, with the connection shut down in both directions
    // so that a task blocked on it ends too (the descriptor is closed by whoever closes the record,
    // so its number is never reused under a running task); true, with nothing done, for a
    // connection handed back to wait for its close, which the caller closes. Either way it is never
    // handed back again.
    bool release();

    // Who waits on the socket now: the listener for the request, the listener for the peer's
    // close, or nobody (a task serves the connection).
    enum class Waiting { ForRequest, ForClose, Nobody };
    Waiting waiting() const { return mWaiting; }
    // Until when the listener waits.
    std::chrono::steady_clock::time_point deadline() const {
        return std::chrono::steady_clock::time_point(
            std::chrono::steady_clock::duration(mDeadline.load()));
    }
    // The listener's, when the request is read or the connection taken back and closed.
    void setWaiting(Waiting waiting, std::chrono::steady_clock::time_point deadline);
    // A task's last act once the reply is sent: hands the connection to the listener's `poller`
    // to wait for the peer's close until `deadline`. False, with nothing done, when the
    // connection gave way or was released meanwhile (the caller closes it); true for a connection
    // closed already.
    bool awaitClose(net::SocketPoller& poller, std::chrono::steady_clock::time_point deadline);

    // When the connection was accepted.
    std::chrono::steady_clock::time_point opened() const { return mOpened; }

    // Where the connection stands, settled between the thread serving it and a listener that
    // needs room. finishIntake is true when the request counts as read; finishReply marks the
    // final reply sent, after which only the peer's close is awaited. takeBack is true when the
    // connection gave way, still waiting for its request or already past its reply, and shuts
    // it down. One with received bytes its thread has not read yet does not give way before its
    // request, as they may be a whole request, unless it was opened before `slowSince`: a
    // request still arriving by then is a trickle, not a phone's.
    bool finishIntake();
    void finishReply();
    bool takeBack(std::chrono::steady_clock::time_point slowSince);
    bool takenBack() const { return mStage == Stage::TakenBack; }

    // The request's bytes as the listener receives them.
    RequestReader reader;
    // The request, set by the intake before it is reported, and the serial number of the
    // reply or transfer under way.
    std::string clientKey;
    std::string data;
    std::atomic<std::int32_t> serial{0};

  private:
    enum class Stage { Reading, Read, Replied, TakenBack };
    void shutdownLocked();

    std::atomic<net::SocketHandle> mSocket;
    const std::uint64_t mId;
    const std::string mAddress;
    const std::chrono::steady_clock::time_point mOpened = std::chrono::steady_clock::now();
    std::mutex mCloseLock;
    std::atomic<Stage> mStage{Stage::Reading};
    std::atomic<Waiting> mWaiting{Waiting::ForRequest};
    bool mReleased = false;  // under mCloseLock
    std::atomic<std::chrono::steady_clock::rep> mDeadline{0};
};

}  // namespace korvane
