#pragma once

#include <functional>
#include <memory>

#include "server/OutgoingFile.h"

namespace korvane {

class Connection;
class RequestServer;

// Sends a file message (name, field information, the file's bytes), waits for the phone's
// acknowledgement (at most the server's acknowledgement time), then runs what follows it; any
// failure closes the connection with a ClientError event.
class FileSender {
  public:
    FileSender(RequestServer& server, std::shared_ptr<Connection> connection, OutgoingFile file,
               std::function<void()> acknowledged)
        : mServer(server),
          mConnection(std::move(connection)),
          mFile(std::move(file)),
          mAcknowledged(std::move(acknowledged)) {}
    // Runs on the serving thread; false when the connection failed.
    bool run();

  private:
    RequestServer& mServer;
    std::shared_ptr<Connection> mConnection;
    OutgoingFile mFile;
    std::function<void()> mAcknowledged;
};

}  // namespace korvane
