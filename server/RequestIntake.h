#pragma once

#include <memory>

namespace korvane {

class Connection;
class RequestServer;

// Reads the one request of a new connection within the server's request time and reports it as
// a Request event; a connection that fails to deliver one is closed with a ClientError event.
class RequestIntake {
  public:
    // Starts the intake's task on the server's pool. Throws when no thread can be created.
    static void start(RequestServer& server, std::shared_ptr<Connection> connection);

  private:
    RequestIntake(RequestServer& server, std::shared_ptr<Connection> connection)
        : mServer(server), mConnection(std::move(connection)) {}
    void run();

    RequestServer& mServer;
    std::shared_ptr<Connection> mConnection;
};

}  // namespace korvane
