#include "server/PeerLimits.h"

#include <algorithm>

#include "server/Connection.h"

namespace korvane {

bool PeerLimits::makeRoom(const std::vector<std::shared_ptr<Connection>>& connections,
                          const std::string& peer,
                          std::chrono::steady_clock::time_point now) const {
    // Connections taken back leave as soon as their threads see it; a bound all the same.
    if (connections.size() >= 2 * mMaxConnections) {
        return false;
    }
    std::size_t open = 0;
    std::size_t fromPeer = 0;
    for (const auto& connection : connections) {
        if (!connection->takenBack()) {
            ++open;
            fromPeer += connection->address() == peer ? 1 : 0;
        }
    }
    const auto slowSince = now - mSlowRequestTime;
    if (fromPeer >= mMaxPerPeer) {
        return std::any_of(connections.begin(), connections.end(), [&](const auto& connection) {
            return connection->address() == peer && connection->takeBack(slowSince);
        });
    }
    if (open >= mMaxConnections) {
        return std::any_of(connections.begin(), connections.end(),
                           [&](const auto& connection) { return connection->takeBack(slowSince); });
    }
    return true;
}

}  // namespace korvane
