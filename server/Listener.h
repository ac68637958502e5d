#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/Socket.h"

namespace korvane {

class Connection;
class RequestServer;

// Opens the listening socket, accepts connections and hands each to a request intake, keeps the
// number of open connections bounded, and releases finished connections.
class Listener {
  public:
    explicit Listener(RequestServer& server) : mServer(server) {}
    // The task's body.
    void run();

  private:
    void accept(net::SocketHandle listening);
    // Makes room for one more connection at the limit; false when none can give way.
    bool makeRoom();
    void refuse(net::SocketHandle socket, const std::string& peer);

    RequestServer& mServer;
    std::vector<std::shared_ptr<Connection>> mConnections;
    std::uint64_t mLastId = 0;
};

}  // namespace korvane
