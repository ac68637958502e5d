#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "server/RequestServer.h"
#include "tests/support/EventLog.h"
#include "tests/support/Loopback.h"

namespace korvane::test {

// A real server on 127.0.0.1 whose events and answered requests (kind kRequest) are recorded.
// `answer` makes each request's outcome on the thread serving it, after the request is recorded;
// without one a request is held unanswered until the harness ends, when it fails. `onEvent` may
// act on an event once it is recorded.
class ServerHarness {
  public:
    using Answer = std::function<RequestOutcome(RequestServer&, const Event&)>;
    using Reaction = std::function<void(RequestServer&, const Event&)>;

    explicit ServerHarness(Answer answer = nullptr, ServerLimits limits = {},
                           Reaction onEvent = nullptr);
    ~ServerHarness();

    // Which requests (by their data) are answered on the listener's own thread; none unless set.
    // Set before startListening.
    void setQuick(std::function<bool(const std::string& data)> quick) { mQuick = std::move(quick); }

    // Starts listening on a free port and waits for the listener's first event.
    void startListening();
    void stopAndWait();

    RequestServer& server() { return *mServer; }
    EventLog& events() { return mEvents; }
    std::uint16_t port() const { return mPort; }

    // A client connected to the server, from 127.0.0.1 or from the loopback address `source`.
    net::SocketHandle connect(const std::string& source = {});

  private:
    RequestOutcome answerOf(const ReceivedRequest& request);
    void releaseHeld();

    Answer mAnswer;
    Reaction mOnEvent;
    std::function<bool(const std::string&)> mQuick;
    EventLog mEvents;
    std::mutex mHeldLock;
    std::condition_variable mHeldChanged;
    bool mReleased = false;
    std::unique_ptr<RequestServer> mServer;
    // What reactions use: unlike mServer it stays set while the server's threads wind down.
    RequestServer* mRaw = nullptr;
    std::uint16_t mPort = 0;
    bool mListening = false;
    std::vector<net::SocketHandle> mClients;
};

// Answers every request at once with `reply`, so that stopping never waits for an unanswered
// connection.
ServerHarness::Answer answerRequests(std::string reply);

}  // namespace korvane::test
