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
#include "server/ServerEvent.h"
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
    // After the reply, the time the peer has to close; then the server closes.
    std::chrono::milliseconds closeTime{10000};
    // After a file is sent, the time the peer has to acknowledge it.
    std::chrono::milliseconds acknowledgeTime{30000};
    // A file asked of the phone: the time its whole answer may take, and its largest size.
    std::chrono::milliseconds fileReceiveTime{60000};
    std::int64_t maxReceivedFile = 64 * 1024 * 1024;
};

// The request server: listens on one IPv4 address and port, reads one framed request per
// connection and reports everything through the event handler, which continues each
// connection with reply, sendFile or receiveFile.
class RequestServer {
  public:
    // Throws std::system_error when the system has no descriptor left for its stop signal.
    explicit RequestServer(EventHandler handler, ServerLimits limits = {});
    // Asks every server task to stop and waits until all have ended, so that none outlives the
    // object or the application state its event handler uses.
    ~RequestServer();
    RequestServer(const RequestServer&) = delete;
    RequestServer& operator=(const RequestServer&) = delete;

    // Starts the listener's task; the failure text when it could not be started. Whether the
    // socket listens is reported by an Information or ListenerError event.
    std::optional<std::string> start(const std::string& address, std::int32_t port);
    // Asks the listener to end: it wakes at once, and ListenerEnded follows as soon as its
    // connections are done (at once when there are none); ListenerEnded at once when not started.
    void stop();

    // Continue the connection of a Request or Finished event: send the final reply; send a file
    // and await the acknowledgement; ask for a file and receive it. Each returns at once; the
    // outcome is a Finished or ClientError event with `serial`. Called from the handler of that
    // connection's event, the step starts when the handler has returned, on the same thread, so
    // whatever the handler does after the call comes before anything of the step (a handler that
    // throws drops it: its connection is failed); called from elsewhere, it starts at once.
    void reply(Connection& connection, std::int32_t serial, const std::string& payload);
    void sendFile(Connection& connection, std::int32_t serial, const std::string& localPath,
                  const std::string& remoteName, const std::string& fieldInfo);
    void receiveFile(Connection& connection, std::int32_t serial, const std::string& localPath,
                     const std::string& remoteName);

    // Raises one event; does not catch what the handler throws.
    void raise(const ServerEvent& event) const;
    // Raises ClientError for `connection` with `failureText` and what was caught, after closing
    // the connection; must be called from a catch block. Catches what the handler throws.
    void failConnection(Connection& connection, const char* failureText) const;
    // Raises Finished for the connection's current step, then runs the step the handler handed
    // over, if any.
    void reportFinished(Connection& connection);
    // Raises an event that continues `connection` (Request, Finished), then runs the step the
    // handler handed over, if any. Lets what the handler throws escape, dropping the step.
    void raiseContinuing(Connection& connection, const ServerEvent& event);
    // Reports the request the listener has read on `connection` (Request) and runs the step the
    // handler hands over; a handler that throws closes the connection with a ClientError event.
    void reportRequest(Connection& connection);
    // A task's last act on a connection whose reply is sent: the listener waits for the peer to
    // close it, at most the close time, and closes it then; the task's thread is free at once.
    void awaitClose(Connection& connection);

    // Runs `body` on a thread of the server's pool, at once (a new thread when none is idle); the
    // destructor waits for it. A step handed over by the handler of its own connection's event
    // runs on the handler's thread once the handler has returned (see reply). Throws when no
    // thread can be created.
    void runTask(std::function<void()> body);
    // The server's tasks running now: the listener's, while it listens, and each connection's.
    int busyTasks() const { return mPool.busyThreads(); }
    // runTask of `task->run()`, keeping the task alive until it returns.
    template <typename Task>
    void startTask(std::shared_ptr<Task> task) {
        runTask([task = std::move(task)] { task->run(); });
    }

    // Which requests (by their data) the handler answers at once, neither waiting nor blocking
    // on anything but short locks: those are reported and answered from the listener's own
    // thread, with no task of their own. Any other request is reported by the thread that read
    // it, once the listening has gone on to a task of its own. Set before start; none is
    // answered on the listener's thread until it is set.
    void setQuickRequests(std::function<bool(const std::string& data)> quick) {
        mQuickRequest = std::move(quick);
    }
    bool isQuick(const std::string& data) const { return mQuickRequest && mQuickRequest(data); }

    // True from a successful start until the listener's task has ended.
    bool running() const { return mStarted; }
    const ServerLimits& limits() const { return mLimits; }
    // Set while the server stops; every wait on a socket ends within a second of it.
    const std::atomic<bool>& stopping() const { return mStopping; }

  private:
    friend class Listener;

    // Common head of reply, sendFile and receiveFile: hand the connection to a task, or fail
    // it.
    void startTransfer(Connection& connection, std::int32_t serial, const char* failureText,
                       std::function<void(std::shared_ptr<Connection>)> run);

    const EventHandler mHandler;
    std::function<bool(const std::string&)> mQuickRequest;
    const ServerLimits mLimits;
    std::atomic<bool> mStarted{false};
    std::atomic<bool> mStopping{false};
    std::string mAddress;
    std::int32_t mPort = 0;

    // Raised by stop, so that the listener's wait ends at once.
    net::WakeSignal mStopSignal;
    // The listener's wait: its socket, the stop signal, and the connections waiting for a peer.
    net::SocketPoller mPoller;
    // Last: destroyed first, waiting for every task while the rest is intact.
    WorkerPool mPool;
};

}  // namespace korvane
