#include "tests/support/ServerHarness.h"

#include <stdexcept>

#include "server/SSMessages.h"

namespace korvane::test {

ServerHarness::ServerHarness(Reaction onEvent) : mOnEvent(std::move(onEvent)) {
    mServer = std::make_unique<TSSServer>(
        [this](TSSChild* handle, std::uint8_t kind, std::int32_t serial, std::string ip,
               std::string key, std::string data, std::string error) {
            Event event{kind, serial, ip, key, data, error, handle != nullptr};
            mEvents.Add(event);
            if (mOnEvent) {
                mOnEvent(*mRaw, handle, event);
            }
        });
    mRaw = mServer.get();
}

ServerHarness::~ServerHarness() {
    for (auto sock : mClients) {
        net::closeSocket(sock);
    }
    if (mServer->mStarted) {
        mServer->Stop();
        mEvents.WaitFor([](const Event& e) { return e.kind == 6; });
    }
    mServer.reset();
}

void ServerHarness::StartListening() {
    mPort = FreePort();
    std::string error;
    if (!mServer->Start("127.0.0.1", mPort, error)) {
        throw std::runtime_error("start failed: " + error);
    }
    Event first = mEvents.WaitFor([](const Event& e) { return e.kind == 0 && e.ip.empty(); });
    if (first.data != msg::kListeningStarted) {
        throw std::runtime_error("listener did not start");
    }
}

void ServerHarness::StopAndWait() {
    mServer->Stop();
    mEvents.WaitFor([](const Event& e) { return e.kind == 6; });
}

net::SocketHandle ServerHarness::Connect() {
    net::SocketHandle sock = net::connectIPv4("127.0.0.1", mPort);
    if (sock == net::kNoSocket) {
        throw std::runtime_error("cannot connect");
    }
    mClients.push_back(sock);
    return sock;
}

ServerHarness::Reaction AnswerRequests(std::string reply) {
    return [reply = std::move(reply)](TSSServer& server, TSSChild* handle, const Event& e) {
        if (e.kind == 3) {
            server.Response(handle, 99, reply);
        }
    };
}

}  // namespace korvane::test
