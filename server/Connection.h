#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "platform/Socket.h"

namespace korvane {

// One accepted connection and the state of the request on it; also the handle that events carry.
// The listener and the thread serving the connection share it, so a worker that outlives the
// listener's wait still finds its record alive.
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

    // The worker's last act on the connection: close the socket and mark the record finished.
    void close();
    // The listener's release: waits up to 5 seconds for the worker to finish; after that the
    // connection is shut down so that the worker ends too (the descriptor is closed by whoever
    // drops the record last, so its number is never reused under a running worker).
    void release();

    // Where the connection stands, settled between the thread serving it and a listener that
    // needs room. finishIntake is true when the request counts as read; finishReply marks the
    // final reply sent, after which only the peer's close is awaited. takeBack is true when the
    // connection gave way, still waiting for its request or already past its reply, and shuts
    // it down; one with received bytes its thread has not read yet does not give way before its
    // request: they may be a whole request.
    bool finishIntake();
    void finishReply();
    bool takeBack();
    bool takenBack() const { return mStage == Stage::TakenBack; }

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
    std::mutex mCloseLock;
    std::atomic<Stage> mStage{Stage::Reading};
};

}  // namespace korvane
