#include "server/Listener.h"

#include <algorithm>

#include "platform/Trace.h"
#include "server/Connection.h"
#include "server/FramedSocket.h"
#include "server/RequestIntake.h"
#include "server/RequestServer.h"
#include "server/ServerError.h"
#include "server/ServerMessages.h"

namespace korvane {
namespace {

constexpr int kReceiveBuffer = 8192;

net::SocketHandle openListeningSocket(const std::string& address, std::int32_t port) {
    net::SocketHandle socket = net::openTcpSocket();
    if (socket == net::kNoSocket) {
        throw ServerError(msg::kSocketFailed);
    }
    try {
        net::setReceiveBuffer(socket, kReceiveBuffer);
        net::setReuseAddress(socket);
        // A port that does not fit in 16 bits would otherwise wrap to another port than the one
        // the user was shown; it is refused like any port that cannot be bound.
        if (port < 1 || port > 65535 ||
            !net::bindIPv4(socket, address, static_cast<std::uint16_t>(port))) {
            throw ServerError(msg::kBindFailed);
        }
        if (!net::listenOn(socket, net::kMaxBacklog)) {
            throw ServerError(msg::kListenFailed);
        }
    } catch (...) {
        net::closeSocket(socket);
        throw;
    }
    return socket;
}

bool isClosed(const std::shared_ptr<Connection>& connection) {
    return connection->closed();
}

}  // namespace

Listener::Listener(RequestServer& server)
    : mServer(server),
      mPeerLimits(server.limits().maxConnections, server.limits().maxConnectionsPerPeer) {}

void Listener::run() {
    trace("TSSStartThread.Execute");
    net::SocketHandle listening = net::kNoSocket;
    try {
        try {
            listening = openListeningSocket(mServer.mAddress, mServer.mPort);
            mServer.raise({.kind = EventKind::Information, .data = msg::kListeningStarted});
        } catch (...) {
            throw ServerError(joinError(msg::kStartListeningFailed, currentErrorText()));
        }
        try {
            for (;;) {
                const net::WakeResult ready =
                    net::waitSocketOrWake(listening, mServer.mStopSignal, 1000);
                if (ready == net::WakeResult::Failed) {
                    throw ServerError(msg::kSelectFailed);
                }
                if (ready == net::WakeResult::Ready) {
                    accept(listening);
                    continue;
                }
                if (mServer.mStopping) {
                    break;
                }
                std::erase_if(mConnections, isClosed);
            }
        } catch (...) {
            throw ServerError(joinError(msg::kListeningError, currentErrorText()));
        }
    } catch (...) {
        try {
            mServer.raise({.kind = EventKind::ListenerError, .error = currentErrorText()});
        } catch (...) {
            // What the handler lets escape from a ListenerError ends nothing further.
        }
    }
    for (auto& connection : mConnections) {
        connection->release();
    }
    mConnections.clear();
    if (listening != net::kNoSocket) {
        net::closeSocket(listening);
    }
    mServer.mStarted = false;
    try {
        mServer.raise({.kind = EventKind::ListenerEnded, .data = msg::kListeningEnded});
    } catch (...) {
        // Nothing is left to report it to.
    }
}

void Listener::accept(net::SocketHandle listening) {
    std::string peer;
    net::SocketHandle socket = net::acceptIPv4(listening, peer);
    if (socket == net::kNoSocket) {
        throw ServerError(msg::kAcceptFailed);
    }
    // Swept here too: a steady stream of short connections leaves no idle second.
    std::erase_if(mConnections, isClosed);
    if (!mPeerLimits.makeRoom(mConnections, peer)) {
        refuse(socket, peer);
        return;
    }
    auto connection = std::make_shared<Connection>(socket, ++mLastId, peer);
    mConnections.push_back(connection);
    try {
        mServer.startTask(std::make_shared<RequestIntake>(mServer, connection));
    } catch (...) {
        connection->close();
        throw;
    }
}

void Listener::refuse(net::SocketHandle socket, const std::string& peer) {
    net::closeSocket(socket);
    try {
        mServer.raise(
            {.kind = EventKind::ClientError, .address = peer, .error = msg::kTooManyConnections});
    } catch (...) {
        // The listener goes on whatever the report met.
    }
}

}  // namespace korvane
