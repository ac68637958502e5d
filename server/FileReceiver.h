#pragma once

#include <memory>
#include <string>

namespace korvane {

class Connection;
class RequestServer;

// Asks the phone for a file by name, receives it into a local file and reports it (Finished);
// any failure closes the connection with a ClientError event and leaves the local file as it
// was. The answer must arrive within the server's file receive time and stay within its size
// cap.
class FileReceiver {
  public:
    FileReceiver(RequestServer& server, std::shared_ptr<Connection> connection,
                 std::string localPath, std::string remoteName)
        : mServer(server),
          mConnection(std::move(connection)),
          mLocalPath(std::move(localPath)),
          mRemoteName(std::move(remoteName)) {}
    // The task's body.
    void run();

  private:
    RequestServer& mServer;
    std::shared_ptr<Connection> mConnection;
    const std::string mLocalPath;
    const std::string mRemoteName;
};

}  // namespace korvane
