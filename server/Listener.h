#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/Socket.h"
#include "server/PeerLimits.h"

namespace korvane {

class Connection;
class RequestServer;

// Opens the listening socket, accepts connections and hands each to a request intake, keeps the
// number of open connections bounded, and releases finished connections.
class Listener {
  public:
    explicit Listener(RequestServer& server);
    // The task's body.
    void run();

  private:
    void accept(net::SocketHandle listening);
    void refuse(net::SocketHandle socket, const std::string& peer);

    RequestServer& mServer;
    // Each connection holds a thread, so their number is bounded. Peers that open connections
    // and send nothing, or take their reply and never close, must not take the server from the
    // phones: at the limit such a connection gives way to the newcomer.
    const PeerLimits mPeerLimits;
    std::vector<std::shared_ptr<Connection>> mConnections;
    std::uint64_t mLastId = 0;
};

}  // namespace korvane
