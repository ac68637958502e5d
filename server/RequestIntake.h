#pragma once

#include <memory>

namespace korvane {

class Connection;
class RequestServer;

// Reads the one request of a new connection within the server's request time and reports it as
// a Request event; a connection that fails to deliver one is closed with a ClientError event.
class RequestIntake {
  public:
    RequestIntake(RequestServer& server, std::shared_ptr<Connection> connection)
        : mServer(server), mConnection(std::move(connection)) {}
    // The task's body.
    void run();

  private:
    RequestServer& mServer;
    std::shared_ptr<Connection> mConnection;
};

}  // namespace korvane
