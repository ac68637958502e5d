#pragma once

#include <functional>
#include <memory>
#include <string>

#include "server/RequestOutcome.h"

namespace korvane {

class Connection;
class RequestServer;

// Asks the phone for a file by name, receives it into a local file, then runs what follows it;
// any failure closes the connection with a ClientError event and leaves the local file as it
// was. The answer must arrive within the server's file receive time and stay within its size
// cap.
class FileReceiver {
  public:
    FileReceiver(RequestServer& server, std::shared_ptr<Connection> connection,
                 RequestOutcome::Fetch fetch, std::function<void()> stored)
        : mServer(server),
          mConnection(std::move(connection)),
          mLocalPath(std::move(fetch.localPath)),
          mRemoteName(std::move(fetch.remoteName)),
          mStored(std::move(stored)) {}
    // Runs on the serving thread; false when the connection failed.
    bool run();

  private:
    RequestServer& mServer;
    std::shared_ptr<Connection> mConnection;
    const std::string mLocalPath;
    const std::string mRemoteName;
    std::function<void()> mStored;
};

}  // namespace korvane
