#include "tests/support/ServerHarness.h"

#include <stdexcept>

#include "server/ServerMessages.h"

namespace korvane::test {

ServerHarness::ServerHarness(Reaction onEvent, ServerLimits limits) : mOnEvent(std::move(onEvent)) {
    mServer = std::make_unique<RequestServer>(
        [this](const ServerEvent& serverEvent) {
            Event event = Event::from(serverEvent);
            mEvents.add(event);
            if (mOnEvent) {
                mOnEvent(*mRaw, serverEvent.connection, event);
            }
        },
        limits);
    mRaw = mServer.get();
}

ServerHarness::~ServerHarness() {
    for (auto sock : mClients) {
        net::closeSocket(sock);
    }
    if (mListening) {
        mServer->stop();
        mEvents.waitFor([](const Event& e) { return e.kind == EventKind::ListenerEnded; });
    }
    mServer.reset();
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

net::SocketHandle ServerHarness::connect() {
    net::SocketHandle sock = net::connectIPv4("127.0.0.1", mPort);
    if (sock == net::kNoSocket) {
        throw std::runtime_error("cannot connect");
    }
    mClients.push_back(sock);
    return sock;
}

ServerHarness::Reaction answerRequests(std::string reply) {
    return [reply = std::move(reply)](RequestServer& server, Connection* handle, const Event& e) {
        if (e.kind == EventKind::Request) {
            server.reply(*handle, 99, reply);
        }
    };
}

}  // namespace korvane::test
