#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/Socket.h"

namespace korvane::phone {

// A failure on the phone's side of a conversation.
class PhoneError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// One framed message as received: its type and its raw body bytes.
struct Message {
    int type = 0;
    std::string body;
};

// The phone's end of one connection to the server, with a time limit on every wait.
class PhoneConnection {
  public:
    PhoneConnection(const std::string& host, std::uint16_t port, int timeoutMs = 30000);
    ~PhoneConnection();
    PhoneConnection(const PhoneConnection&) = delete;
    PhoneConnection& operator=(const PhoneConnection&) = delete;

    // A request message: 12 filler characters, the key padded to 20 characters, the data.
    void sendRequest(const std::string& key, const std::string& data);
    void sendRaw(const std::string& bytes);
    // The acknowledgement of a file message: an empty type 1 message.
    void sendAcknowledgement();
    // The next message; throws PhoneError if the server closes or the time runs out first.
    Message receiveMessage();
    // True when the server has closed the connection (waits up to the time limit).
    bool waitForClose();
    void close();

  private:
    std::string receiveExactly(std::size_t count);

    net::SocketHandle mSock;
    int mTimeoutMs;
};

// The request message's bytes on the wire.
std::string buildRequest(const std::string& key, const std::string& data);

// What a whole conversation brought back.
struct Outcome {
    std::optional<std::string> fileName;  // the name of a file message, trailing blanks removed
    std::string fileBytes;
    std::optional<std::string> reply;  // the reply text (UTF-8)
    std::string error;                 // why the conversation ended without a reply
};

// Sends one request and follows the server: acknowledges a file message (unless `acknowledge` is
// false, when the connection is closed instead), reads the reply, then closes.
Outcome converse(const std::string& host, std::uint16_t port, const std::string& key,
                 const std::string& data, bool acknowledge = true, int timeoutMs = 30000);

}  // namespace korvane::phone
