#pragma once

#include <cstdio>
#include <memory>
#include <string>

namespace korvane {

class Connection;
class RequestServer;

// Sends a file message (name, field information, the file's bytes), waits for the phone's
// acknowledgement (at most the server's acknowledgement time) and reports it (Finished); any
// failure closes the connection with a ClientError event.
class FileSender {
  public:
    // The file to send, opened when the transfer is handed over, or why it could not be.
    struct Source {
        std::unique_ptr<std::FILE, int (*)(std::FILE*)> stream{nullptr, &std::fclose};
        std::string openError;
    };
    // What the file message says of the file.
    struct Label {
        std::string remoteName;
        std::string fieldInfo;
    };

    static Source open(const std::string& localPath);

    FileSender(RequestServer& server, std::shared_ptr<Connection> connection, Source source,
               Label label)
        : mServer(server),
          mConnection(std::move(connection)),
          mSource(std::move(source)),
          mLabel(std::move(label)) {}
    // The task's body.
    void run();

  private:
    RequestServer& mServer;
    std::shared_ptr<Connection> mConnection;
    Source mSource;
    const Label mLabel;
};

}  // namespace korvane
