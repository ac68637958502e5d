#include "tests/support/ServerHarness.h"

#include <stdexcept>

#include "server/ServerMessages.h"

namespace korvane::test {

ServerHarness::ServerHarness(Reaction onEvent, ServerLimits limits) : mOnEvent(std::move(onEvent)) {
    mServer = std::make_unique<RequestServer>(
        [this](const ServerEvent& serverEvent) {
            Event event = Event::from(serverEvent);
            mEvents.Add(event);
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
        mEvents.WaitFor([](const Event& e) { return e.kind == EventKind::ListenerEnded; });
    }
    mServer.reset();
}

void ServerHarness::StartListening() {
    mPort = FreePort();
    if (auto failure = mServer->start("127.0.0.1", mPort)) {
        throw std::runtime_error("start failed: " + *failure);
    }
    mListening = true;
    Event first = mEvents.WaitFor(
        [](const Event& e) { return e.kind == EventKind::Information && e.ip.empty(); });
    if (first.data != msg::kListeningStarted) {
        throw std::runtime_error("listener did not start");
    }
}

void ServerHarness::StopAndWait() {
    mListening = false;
    mServer->stop();
    mEvents.WaitFor([](const Event& e) { return e.kind == EventKind::ListenerEnded; });
}

net::SocketHandle ServerHarness::Connect(const std::string& source) {
    net::SocketHandle sock = net::connectIPv4("127.0.0.1", mPort, source);
    if (sock == net::kNoSocket) {
        throw std::runtime_error("cannot connect");
    }
    mClients.push_back(sock);
    return sock;
}

ServerHarness::Reaction AnswerRequests(std::string reply) {
    return [reply = std::move(reply)](RequestServer& server, Connection* handle, const Event& e) {
        if (e.kind == EventKind::Request) {
            server.reply(*handle, 99, reply);
        }
    };
}

}  // namespace korvane::test
