#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace korvane {

class Connection;

// Who gives way when a connection arrives: the server's bound on open connections, and each peer
// address's own share of it, so that one peer cannot hold the connection table against the
// others. Used by the listener's thread only.
class PeerLimits {
  public:
    PeerLimits(std::size_t maxConnections, std::size_t maxPerPeer)
        : mMaxConnections(maxConnections), mMaxPerPeer(maxPerPeer) {}

    // Makes room among `connections` (oldest first) for a new one from `peer`. At the peer's own
    // cap the oldest of its connections that may give way (Connection::takeBack) does; at the
    // server's limit the oldest of all that may. False when none can: the new one is to be
    // closed.
    bool makeRoom(const std::vector<std::shared_ptr<Connection>>& connections,
                  const std::string& peer) const;

  private:
    const std::size_t mMaxConnections;
    const std::size_t mMaxPerPeer;
};

}  // namespace korvane
