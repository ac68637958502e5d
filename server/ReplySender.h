#pragma once

#include <memory>
#include <string>

namespace korvane {

class Connection;
class RequestServer;

// Sends the final reply on a connection, then leaves the connection to the
// listener until the phone closes it, at most the server's close time; a reply that cannot be
// sent closes the connection with a ClientError event.
class ReplySender {
  public:
    ReplySender(RequestServer& server, std::shared_ptr<Connection> connection, std::string payload)
        : mServer(server), mConnection(std::move(connection)), mPayload(std::move(payload)) {}
    // Runs on the serving thread.
    void run();

  private:
    RequestServer& mServer;
    std::shared_ptr<Connection> mConnection;
    const std::string mPayload;
};

}  // namespace korvane
