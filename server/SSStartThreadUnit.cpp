#include "server/SSStartThreadUnit.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "server/SSAcceptThreadUnit.h"
#include "server/SSChildUnit.h"
#include "server/SSError.h"
#include "server/SSMessages.h"
#include "server/SSThread.h"
#include "server/SSUtilUnit.h"

namespace korvane {
namespace {

constexpr int kReceiveBuffer = 8192;
constexpr int kBacklog = 10;

net::SocketHandle OpenListeningSocket(const TSSServer& server) {
    net::SocketHandle sock = net::openTcpSocket();
    if (sock == net::kNoSocket) {
        throw SSError(msg::kSocketFailed);
    }
    try {
        net::setReceiveBuffer(sock, kReceiveBuffer);
        net::setReuseAddress(sock);
        // A port that does not fit in 16 bits would otherwise wrap to another port than the one
        // the user was shown; it is refused like any port that cannot be bound.
        if (server.mPort < 1 || server.mPort > 65535 ||
            !net::bindIPv4(sock, server.mIpAddress, static_cast<std::uint16_t>(server.mPort))) {
            throw SSError(msg::kBindFailed);
        }
        if (!net::listenOn(sock, kBacklog)) {
            throw SSError(msg::kListenFailed);
        }
    } catch (...) {
        net::closeSocket(sock);
        throw;
    }
    return sock;
}

bool IsClosed(const std::shared_ptr<TSSChild>& child) {
    return child->mSock == net::kNoSocket;
}

// Each connection holds a thread, so their number is bounded. Peers that open connections and
// send nothing must not take the server from the phones, which send their request at once: at
// the limit the oldest connection whose request has not arrived makes room for the new one. Only
// when every connection is past its request is the new one closed at once.
bool MakeRoom(std::vector<std::shared_ptr<TSSChild>>& children, std::size_t limit) {
    const auto open = std::count_if(children.begin(), children.end(),
                                    [](const auto& child) { return !child->TakenBack(); });
    if (static_cast<std::size_t>(open) < limit) {
        return true;
    }
    // Connections taken back leave as soon as their threads see it; a bound all the same.
    if (children.size() >= 2 * limit) {
        return false;
    }
    return std::any_of(children.begin(), children.end(),
                       [](const auto& child) { return child->TakeBack(); });
}

void RefuseConnection(const TSSServer& server, net::SocketHandle sock, const std::string& peer) {
    net::closeSocket(sock);
    try {
        server.CallBackProc_(nullptr, kEventClientError, 0, peer, "", "", msg::kTooManyConnections);
    } catch (...) {
        // The listener goes on whatever the report met.
    }
}

}  // namespace

void TSSStartThread::Create(TSSServer* pParent) {
    StartOwnedThread(pParent, std::shared_ptr<TSSStartThread>(new TSSStartThread(pParent)));
}

void TSSStartThread::Execute() {
    mdlTrace("TSSStartThread.Execute");
    TSSServer& server = *mParent;
    std::vector<std::shared_ptr<TSSChild>> children;
    net::SocketHandle listening = net::kNoSocket;
    try {
        try {
            listening = OpenListeningSocket(server);
            server.CallBackProc_(nullptr, kEventInformation, 0, "", "", msg::kListeningStarted, "");
        } catch (...) {
            throw SSError(joinError(msg::kStartListeningFailed, currentErrorText()));
        }
        try {
            for (;;) {
                if (mdlWaitSocket(listening, false)) {
                    std::string peer;
                    net::SocketHandle sock = net::acceptIPv4(listening, peer);
                    if (sock == net::kNoSocket) {
                        throw SSError(msg::kAcceptFailed);
                    }
                    // Swept here too: a steady stream of short connections leaves no idle second.
                    std::erase_if(children, IsClosed);
                    if (!MakeRoom(children, server.mMaxConnections)) {
                        RefuseConnection(server, sock, peer);
                        continue;
                    }
                    auto child = std::make_shared<TSSChild>(sock);
                    child->mIp = peer;
                    children.push_back(child);
                    try {
                        TSSAcceptThread::Create(mParent, child);
                    } catch (...) {
                        child->CloseSocket();
                        throw;
                    }
                    continue;
                }
                if (server.mAbort) {
                    break;
                }
                std::erase_if(children, IsClosed);
            }
        } catch (...) {
            throw SSError(joinError(msg::kListeningError, currentErrorText()));
        }
    } catch (...) {
        try {
            server.CallBackProc_(nullptr, kEventListenerError, 0, "", "", "", currentErrorText());
        } catch (...) {
            // What the event procedure lets escape from kind 5 ends nothing further.
        }
    }
    for (auto& child : children) {
        child->Free();
    }
    children.clear();
    if (listening != net::kNoSocket) {
        net::closeSocket(listening);
    }
    server.mStarted = false;
    try {
        server.CallBackProc_(nullptr, kEventListenerEnded, 0, "", "", msg::kListeningEnded, "");
    } catch (...) {
        // Nothing is left to report it to.
    }
}

}  // namespace korvane
