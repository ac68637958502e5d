#pragma once

#include <functional>
#include <string>

#include "platform/Socket.h"
#include "server/RequestRoute.h"
#include "server/ServerEvent.h"

namespace korvane::net {
class SocketPoller;
}

namespace korvane {

class Connection;
struct ServerLimits;

// What the listener needs of its server: the wait it shares with the tasks, the stop, the
// application's ears, and the threads that serve requests. Implemented by RequestServer.
class ListenerHost {
  public:
    virtual const ServerLimits& limits() const = 0;
    // The wait on the listening socket, the stop signal and the connections waiting for a peer;
    // tasks hand connections back to it.
    virtual net::SocketPoller& poller() = 0;
    // Raised by a stop; the listener watches it.
    virtual net::SocketHandle stopDescriptor() const = 0;
    virtual bool stopRequested() const = 0;
    // Raises one event; lets what the application throws escape.
    virtual void raise(const ServerEvent& event) const = 0;
    // Asks the application how the request read on `connection` is answered.
    virtual RequestRoute route(const Connection& connection) = 0;
    // Makes the answer and sends it on `connection`, on this thread; fails the connection itself.
    virtual void serveRequest(Connection& connection,
                              const std::function<RequestOutcome()>& answer) = 0;
    // Runs `body` on a thread of the server's pool; throws when no thread can be had.
    virtual void runTask(std::function<void()> body) = 0;
    // The listener's last act before its ListenerEnded event.
    virtual void listenerEnded() = 0;

  protected:
    ~ListenerHost() = default;
};

}  // namespace korvane
