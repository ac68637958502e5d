#pragma once

#include <chrono>
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
    // A connection whose request is still arriving `slowRequestTime` after it was accepted gives
    // way like one that sent nothing.
    PeerLimits(std::size_t maxConnections, std::size_t maxPerPeer,
               std::chrono::milliseconds slowRequestTime)
        : mMaxConnections(maxConnections),
          mMaxPerPeer(maxPerPeer),
          mSlowRequestTime(slowRequestTime) {}

    // Makes room among `connections` (oldest first) for a new one from `peer`, arriving at `now`.
    // At the peer's own cap the oldest of its connections that may give way
    // (Connection::takeBack) does; at the server's limit the oldest of all that may. False when
    // none can: the new one is to be closed.
    bool makeRoom(const std::vector<std::shared_ptr<Connection>>& connections,
                  const std::string& peer, std::chrono::steady_clock::time_point now) const;

  private:
    const std::size_t mMaxConnections;
    const std::size_t mMaxPerPeer;
    const std::chrono::milliseconds mSlowRequestTime;
};

}  // namespace korvane
