#pragma once

#include <functional>
#include <memory>
#include <string>

#include "server/RequestServer.h"
#include "tests/support/EventLog.h"
#include "tests/support/Loopback.h"

namespace korvane::test {

// A real server on 127.0.0.1 whose events are recorded; `onEvent` may act on them (reply, throw)
// before they are recorded.
class ServerHarness {
  public:
    using Reaction = std::function<void(RequestServer&, Connection*, const Event&)>;

    explicit ServerHarness(Reaction onEvent = nullptr, ServerLimits limits = {});
    ~ServerHarness();

    // Starts listening on a free port and waits for the listener's first event.
    void startListening();
    void stopAndWait();

    RequestServer& server() { return *mServer; }
    EventLog& events() { return mEvents; }
    std::uint16_t port() const { return mPort; }

    // A client connected to the server.
    net::SocketHandle connect();

  private:
    Reaction mOnEvent;
    EventLog mEvents;
    std::unique_ptr<RequestServer> mServer;
    // What reactions use: unlike mServer it stays set while the server's threads wind down.
    RequestServer* mRaw = nullptr;
    std::uint16_t mPort = 0;
    bool mListening = false;
    std::vector<net::SocketHandle> mClients;
};

// A reaction that answers every request at once with `reply`, so that stopping never waits for an
// unanswered connection.
ServerHarness::Reaction answerRequests(std::string reply);

}  // namespace korvane::test
