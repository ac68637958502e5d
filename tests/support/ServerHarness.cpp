#include "tests/support/ServerHarness.h"

#include <stdexcept>

#include "server/ServerMessages.h"

namespace korvane::test {

ServerHarness::ServerHarness(Answer answer, ServerLimits limits, Reaction onEvent)
    : mAnswer(std::move(answer)), mOnEvent(std::move(onEvent)) {
    ServerHooks hooks{.onEvent =
                          [this](const ServerEvent& serverEvent) {
                              Event event = Event::from(serverEvent);
                              mEvents.add(event);
                              if (mOnEvent) {
                                  mOnEvent(*mRaw, event);
                              }
                          },
                      .onRequest =
                          [this](const ReceivedRequest& request) {
                              return RequestRoute{
                                  .quick = mQuick && mQuick(request.data),
                                  .answer = [this, request] { return answerOf(request); }};
                          }};
    mServer = std::make_unique<RequestServer>(std::move(hooks), limits);
    mRaw = mServer.get();
}

ServerHarness::~ServerHarness() {
    releaseHeld();
    for (auto sock : mClients) {
        net::closeSocket(sock);
    }
    if (mListening) {
        mServer->stop();
        mEvents.waitFor([](const Event& e) { return e.kind == EventKind::ListenerEnded; });
    }
    mServer.reset();
}

RequestOutcome ServerHarness::answerOf(const ReceivedRequest& request) {
    const Event event = Event::from(request);
    mEvents.add(event);
    if (mAnswer) {
        return mAnswer(*mRaw, event);
    }
    std::unique_lock lock(mHeldLock);
    mHeldChanged.wait(lock, [this] { return mReleased; });
    throw std::runtime_error("held unanswered until the test ended");
}

void ServerHarness::releaseHeld() {
    {
        std::lock_guard lock(mHeldLock);
        mReleased = true;
    }
    mHeldChanged.notify_all();
}

void ServerHarness::startListening() {
    mPort = freePort();
    if (auto failure = mServer->start("127.0.0.1", mPort)) {
        throw std::runtime_error("start failed: " + *failure);
    }
    mListening = true;
    Event first = mEvents.waitFor(
        [](const Event& e) { return e.kind == EventKind::Information && e.ip.empty(); });
    if (first.data != msg::kListeningStarted) {
        throw std::runtime_error("listener did not start");
    }
}

void ServerHarness::stopAndWait() {
    mListening = false;
    mServer->stop();
    mEvents.waitFor([](const Event& e) { return e.kind == EventKind::ListenerEnded; });
}

net::SocketHandle ServerHarness::connect(const std::string& source) {
    net::SocketHandle sock = net::connectIPv4("127.0.0.1", mPort, source);
    if (sock == net::kNoSocket) {
        throw std::runtime_error("cannot connect");
    }
    mClients.push_back(sock);
    return sock;
}

ServerHarness::Answer answerRequests(std::string reply) {
    return [reply = std::move(reply)](RequestServer&, const Event&) {
        return RequestOutcome{.reply = reply};
    };
}

}  // namespace korvane::test
