#include "server/PeerLimits.h"

#include <algorithm>

#include "server/Connection.h"

namespace korvane {

bool PeerLimits::makeRoom(const std::vector<std::shared_ptr<Connection>>& connections,
                          const std::string& peer) const {
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
    if (fromPeer >= mMaxPerPeer) {
        return std::any_of(connections.begin(), connections.end(), [&](const auto& connection) {
            return connection->address() == peer && connection->takeBack();
        });
    }
    if (open >= mMaxConnections) {
        return std::any_of(connections.begin(), connections.end(),
                           [](const auto& connection) { return connection->takeBack(); });
    }
    return true;
}

}  // namespace korvane
