#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/SocketPoller.h"
#include "platform/WakeSignal.h"
#include "server/ListenerHost.h"
#include "server/ServerHooks.h"
#include "server/WorkerPool.h"

namespace korvane {

// Bounds that keep hostile or broken peers from taking the server from the phones.
struct ServerLimits {
    // Connections open at once. At the limit the oldest one still waiting for its request gives
    // way, else the new one is closed; a ClientError event either way.
    std::size_t maxConnections = 256;
    // Connections open at once from one peer address. At its cap the peer's own oldest
    // connection that may give way does, else its new one is closed; other peers keep their
    // places.
    std::size_t maxConnectionsPerPeer = 32;
    // The time in which a new connection must deliver its whole request (a phone sends it at
    // once).
    std::chrono::milliseconds requestTime{30000};
    // A connection whose request is still arriving this long after it was accepted gives way at
    // the limit like one that sent nothing, so that peers trickling bytes cannot hold their
    // places for the whole request time; a younger one with bytes not yet read keeps its place,
    // as they may be a phone's whole request.
    std::chrono::milliseconds slowRequestTime{3000};
    // After the reply, the time the peer has to close; then the server closes.
    std::chrono::milliseconds closeTime{10000};
    // After a file is sent, the time the peer has to acknowledge it.
    std::chrono::milliseconds acknowledgeTime{30000};
    // A file asked of the phone: the time its whole answer may take, and its largest size.
    std::chrono::milliseconds fileReceiveTime{60000};
    std::int64_t maxReceivedFile = 64 * 1024 * 1024;
};

// The request server: listens on one IPv4 address and port and reads one framed request per
// connection. Each request goes to the application's router once (ServerHooks), whose answer
// (RequestOutcome) the server sends: the file step, if any, then the reply; then it waits for
// the peer to close. Everything else it has to say goes out as events.
class RequestServer : private ListenerHost {
  public:
    // Throws std::system_error when the system has no descriptor left for its stop signal.
    explicit RequestServer(ServerHooks hooks, ServerLimits limits = {});
    // Asks every server task to stop and waits until all have ended, so that none outlives the
    // object or the application state its hooks use.
    ~RequestServer();
    RequestServer(const RequestServer&) = delete;
    RequestServer& operator=(const RequestServer&) = delete;

    // Starts the listener's task; the failure text when it could not be started. Whether the
    // socket listens is reported by an Information or ListenerError event.
    std::optional<std::string> start(const std::string& address, std::int32_t port);
    // Asks the listener to end: it wakes at once, and ListenerEnded follows as soon as its
    // connections are done (at once when there are none); ListenerEnded at once when not started.
    void stop();

    // Raises one event; does not catch what the handler throws.
    void raise(const ServerEvent& event) const override;
    // Raises ClientError for `connection` with `failureText` and what was caught, after closing
    // the connection; must be called from a catch block. Catches what the handler throws.
    void failConnection(Connection& connection, const char* failureText) const;
    // The same with the fault given: callable anywhere.
    void failConnection(Connection& connection, const char* failureText,
                        const std::string& fault) const;
    // A task's last act on a connection whose reply is sent: the listener waits for the peer to
    // close it, at most the close time, and closes it then; the task's thread is free at once.
    void awaitClose(Connection& connection);

    // Runs `body` on a thread of the server's pool, at once (a new thread when none is idle); the
    // destructor waits for it. Throws when no thread can be created.
    void runTask(std::function<void()> body) override;
    // The server's tasks running now: the listener's, while it listens, and each connection's.
    int busyTasks() const { return mPool.busyThreads(); }

    // True from a successful start until the listener's task has ended.
    bool running() const { return mStarted; }
    const ServerLimits& limits() const override { return mLimits; }
    // Set while the server stops; every wait on a socket ends within a second of it.
    const std::atomic<bool>& stopping() const { return mStopping; }

  private:
    // ListenerHost
    net::SocketPoller& poller() override { return mPoller; }
    net::SocketHandle stopDescriptor() const override { return mStopSignal.descriptor(); }
    bool stopRequested() const override { return mStopping; }
    RequestRoute route(const Connection& connection) override;
    void serveRequest(Connection& connection,
                      const std::function<RequestOutcome()>& answer) override;
    void listenerEnded() override { mStarted = false; }

    // Sends what the application answered: the file step, then the reply.
    void deliver(Connection& connection, RequestOutcome outcome);
    // False, with the connection failed as `failureText`, once the listener has ended.
    bool stillListening(Connection& connection, const char* failureText) const;

    const ServerHooks mHooks;
    const ServerLimits mLimits;
    std::atomic<bool> mStarted{false};
    std::atomic<bool> mStopping{false};

    // Raised by stop, so that the listener's wait ends at once.
    net::WakeSignal mStopSignal;
    // The listener's wait: its socket, the stop signal, and the connections waiting for a peer.
    net::SocketPoller mPoller;
    // Last: destroyed first, waiting for every task while the rest is intact.
    WorkerPool mPool;
};

}  // namespace korvane
