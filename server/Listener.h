#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Socket.h"
#include "server/PeerLimits.h"

namespace korvane {

class Connection;
class RequestServer;

// Opens the listening socket and waits, in one thread, on it and on every connection that waits
// for its peer: it accepts connections, reads each one's request and hands it to a task of its
// own (or answers it itself, when the server's handler answers it at once), and after the reply
// waits for the peer to close. It keeps the number of open connections
// bounded, ends those whose peer is too slow, and releases finished ones.
class Listener {
  public:
    explicit Listener(RequestServer& server);
    // The task's body.
    void run();

  private:
    using Clock = std::chrono::steady_clock;

    void accept(net::SocketHandle listening);
    void refuse(net::SocketHandle socket, const std::string& peer);
    // A connection the poller reported: its request or its close.
    void serve(Connection& connection);
    // Reads what has come of the connection's request; hands a whole one on.
    void receive(Connection& connection);
    // Discards what the peer sends after the reply; closes the connection at its end.
    void drain(Connection& connection);
    // Closes the connection, with a ClientError event `error` (unless it gave way).
    void fail(Connection& connection, std::string error);
    void close(Connection& connection);
    // Closes the connections whose wait is over, and those that gave way; lets go of the closed
    // ones. Returns how long the next wait may last: to the nearest deadline, a second at most
    // while tasks hold connections (they may hand one back), for ever (-1) when none is open.
    int endWaits(Clock::time_point now);
    // At the end: what the listener waits on is closed; what tasks hold gets 5 seconds, then is
    // shut down.
    void releaseAll();

    RequestServer& mServer;
    // Peers that open connections and send nothing, or take their reply and never close, must
    // not take the server from the phones: at the limit such a connection gives way to the
    // newcomer.
    const PeerLimits mPeerLimits;
    std::vector<std::shared_ptr<Connection>> mConnections;
    std::uint64_t mLastId = 0;
};

}  // namespace korvane
