#include "server/Listener.h"

#include <algorithm>
#include <thread>
#include <utility>

#include "platform/SocketPoller.h"
#include "platform/Trace.h"
#include "server/Connection.h"
#include "server/ListenerHost.h"
#include "server/RequestReader.h"
#include "server/RequestServer.h"
#include "server/ServerError.h"
#include "server/ServerMessages.h"

namespace korvane {
namespace {

constexpr int kReceiveBuffer = 8192;
// What a peer sends after its reply is read and dropped this much at a time; a peer that keeps
// sending gets its turn again after the others.
constexpr int kDrainPieces = 16;
// While tasks hold connections, the listener looks at least this often whether one came back.
constexpr int kLongestWaitMs = 1000;
// On stop, the time the tasks still serving connections get to finish.
constexpr auto kReleaseTime = std::chrono::seconds(5);

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

Listener::Listener(ListenerHost& host, std::string address, std::int32_t port)
    : mHost(host),
      mAddress(std::move(address)),
      mPort(port),
      mPeerLimits(host.limits().maxConnections, host.limits().maxConnectionsPerPeer,
                  host.limits().slowRequestTime) {}

void Listener::run() {
    trace("TSSStartThread.Execute");
    net::SocketPoller& poller = mHost.poller();
    try {
        mListening = openListeningSocket(mAddress, mPort);
        mHost.raise({.kind = EventKind::Information, .data = msg::kListeningStarted});
    } catch (...) {
        reportFailure(joinError(msg::kStartListeningFailed, currentErrorText()));
        finish();
        return;
    }
    try {
        // The keys tell the two apart from the connections, whose keys are their records.
        poller.watchAlways(mListening, this);
        poller.watchAlways(mHost.stopDescriptor(), &mHost);
    } catch (...) {
        reportFailure(joinError(msg::kListeningError, currentErrorText()));
        finish();
        return;
    }
    listen();
}

void Listener::listen() {
    try {
        for (;;) {
            // What the last wait reported is served whole, by one thread after another.
            while (mNextReady < mReady.size()) {
                void* const key = mReady[mNextReady++];
                if (key == this) {
                    accept();
                } else if (key != &mHost) {
                    serve(*static_cast<Connection*>(key));
                }
                if (mTaken != nullptr && handOver()) {
                    return;
                }
            }
            if (mHost.stopRequested()) {
                break;
            }
            const int waitMs = endWaits(Clock::now());
            mReady.clear();
            mNextReady = 0;
            if (!mHost.poller().wait(waitMs, mReady)) {
                throw ServerError(msg::kSelectFailed);
            }
        }
    } catch (...) {
        reportFailure(joinError(msg::kListeningError, currentErrorText()));
    }
    finish();
}

bool Listener::handOver() {
    const std::shared_ptr<Connection> request = std::move(mTaken);
    const std::function<RequestOutcome()> answer = std::move(mTakenAnswer);
    ListenerHost& host = mHost;
    try {
        host.runTask([self = shared_from_this()] { self->listen(); });
    } catch (...) {
        startRequestTask(*request, answer);
        return false;
    }
    // From here on another thread listens: nothing of the listener's own is touched again, and
    // what escapes the report ends nothing of it, as when a task of its own reports a request.
    try {
        host.serveRequest(*request, answer);
    } catch (...) {
        // The report fails its connection itself; what still escapes (its trace, an allocation)
        // has nowhere to go, as in the pool.
    }
    return true;
}

void Listener::reportFailure(const std::string& error) {
    try {
        mHost.raise({.kind = EventKind::ListenerError, .error = error});
    } catch (...) {
        // What the handler lets escape from a ListenerError ends nothing further.
    }
}

void Listener::finish() {
    net::SocketPoller& poller = mHost.poller();
    releaseAll();
    poller.forget(mHost.stopDescriptor());
    if (mListening != net::kNoSocket) {
        poller.forget(mListening);
        net::closeSocket(std::exchange(mListening, net::kNoSocket));
    }
    mHost.listenerEnded();
    try {
        mHost.raise({.kind = EventKind::ListenerEnded, .data = msg::kListeningEnded});
    } catch (...) {
        // Nothing is left to report it to.
    }
}

void Listener::accept() {
    std::string peer;
    net::SocketHandle socket = net::acceptIPv4(mListening, peer);
    if (socket == net::kNoSocket) {
        throw ServerError(msg::kAcceptFailed);
    }
    // Only records closed by their tasks go: the listener's own are open until it closes them.
    std::erase_if(mConnections, isClosed);
    if (!mPeerLimits.makeRoom(mConnections, peer, Clock::now())) {
        refuse(socket, peer);
        return;
    }
    auto connection = std::make_shared<Connection>(socket, ++mLastId, peer);
    connection->setWaiting(Connection::Waiting::ForRequest,
                           Clock::now() + mHost.limits().requestTime);
    mConnections.push_back(connection);
    try {
        mHost.raise({.kind = EventKind::Information,
                     .connectionId = connection->id(),
                     .address = connection->address(),
                     .data = msg::kConnectionRequest});
    } catch (...) {
        fail(*connection, currentErrorText());
        return;
    }
    // A phone sends its request with the connection: it is often there already.
    receive(*connection);
}

void Listener::refuse(net::SocketHandle socket, const std::string& peer) {
    net::closeSocket(socket);
    try {
        mHost.raise(
            {.kind = EventKind::ClientError, .address = peer, .error = msg::kTooManyConnections});
    } catch (...) {
        // The listener goes on whatever the report met.
    }
}

void Listener::serve(Connection& connection) {
    if (connection.closed()) {
        return;
    }
    switch (connection.waiting()) {
        case Connection::Waiting::ForRequest:
            receive(connection);
            break;
        case Connection::Waiting::ForClose:
            drain(connection);
            break;
        case Connection::Waiting::Nobody:
            break;
    }
}

void Listener::receive(Connection& connection) {
    RequestReader& reader = connection.reader;
    RequestRoute route;
    try {
        for (std::span<char> room = reader.room(); !room.empty(); room = reader.room()) {
            const long n = net::receiveNow(connection.socket(), room.data(), room.size());
            reader.add(static_cast<std::size_t>(std::max(n, 0L)));
            if (n == net::kWouldBlock) {
                mHost.poller().watch(connection.socket(), &connection);
                return;
            }
            if (n <= 0) {
                throw ServerError(joinError(msg::kRequestReceiveFailed, msg::kDisconnected));
            }
        }
        if (!connection.finishIntake()) {
            throw ServerError(msg::kTooManyConnections);
        }
        RequestBody request = reader.take();
        connection.clientKey = std::move(request.clientKey);
        connection.data = std::move(request.data);
        route = mHost.route(connection);
    } catch (...) {
        fail(connection, currentErrorText());
        return;
    }
    connection.setWaiting(Connection::Waiting::Nobody, {});
    if (route.quick) {
        mHost.serveRequest(connection, route.answer);
        return;
    }
    // Served by this thread while another one listens on, so the request does not wait for a
    // thread to wake.
    mTaken = connection.shared_from_this();
    mTakenAnswer = std::move(route.answer);
}

void Listener::startRequestTask(Connection& connection, std::function<RequestOutcome()> answer) {
    try {
        mHost.runTask([&host = mHost, shared = connection.shared_from_this(),
                       answer = std::move(answer)] { host.serveRequest(*shared, answer); });
    } catch (...) {
        fail(connection, currentErrorText());
    }
}

void Listener::drain(Connection& connection) {
    char scrap[1024];
    for (int i = 0; i < kDrainPieces; ++i) {
        const long n = net::receiveNow(connection.socket(), scrap, sizeof scrap);
        if (n == net::kWouldBlock) {
            break;
        }
        if (n <= 0) {
            close(connection);
            return;
        }
    }
    mHost.poller().watch(connection.socket(), &connection);
}

void Listener::fail(Connection& connection, std::string error) {
    // Taken back by the listener: whatever the read met was its doing.
    if (connection.takenBack()) {
        error = msg::kTooManyConnections;
    }
    close(connection);
    try {
        mHost.raise({.kind = EventKind::ClientError,
                     .connectionId = connection.id(),
                     .address = connection.address(),
                     .error = std::move(error)});
    } catch (...) {
        // Escaping from a ClientError ends nothing further.
    }
}

void Listener::close(Connection& connection) {
    mHost.poller().forget(connection.socket());
    connection.close();
}

int Listener::endWaits(Clock::time_point now) {
    Clock::time_point next = Clock::time_point::max();
    bool tasksHoldSome = false;
    for (const auto& connection : mConnections) {
        if (connection->closed()) {
            continue;
        }
        switch (connection->waiting()) {
            case Connection::Waiting::ForRequest:
                if (connection->takenBack()) {
                    fail(*connection, {});
                } else if (now >= connection->deadline()) {
                    fail(*connection, joinError(msg::kRequestReceiveFailed, msg::kTimedOut));
                } else {
                    next = std::min(next, connection->deadline());
                }
                break;
            case Connection::Waiting::ForClose:
                if (connection->takenBack() || now >= connection->deadline()) {
                    close(*connection);
                } else {
                    next = std::min(next, connection->deadline());
                }
                break;
            case Connection::Waiting::Nobody:
                tasksHoldSome = true;
                break;
        }
    }
    std::erase_if(mConnections, isClosed);
    int waitMs = tasksHoldSome ? kLongestWaitMs : -1;
    if (next != Clock::time_point::max()) {
        // Rounded up: a wait that ends just before the deadline would only wait again.
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(next - now).count();
        const int untilNext = static_cast<int>(std::min<long long>(left, kLongestWaitMs));
        waitMs = waitMs < 0 ? untilNext : std::min(waitMs, untilNext);
    }
    return waitMs;
}

void Listener::releaseAll() {
    for (const auto& connection : mConnections) {
        if (connection->closed()) {
            continue;
        }
        if (connection->waiting() == Connection::Waiting::ForRequest) {
            fail(*connection, joinError(msg::kRequestReceiveFailed, msg::kCancelled));
        } else if (connection->waiting() == Connection::Waiting::ForClose) {
            close(*connection);
        }
    }
    const Clock::time_point until = Clock::now() + kReleaseTime;
    for (;;) {
        bool tasksHoldSome = false;
        for (const auto& connection : mConnections) {
            if (connection->closed()) {
                continue;
            }
            if (connection->waiting() == Connection::Waiting::ForClose) {
                close(*connection);
            } else {
                tasksHoldSome = true;
            }
        }
        if (!tasksHoldSome || Clock::now() >= until) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    // Their tasks end at the shutdown; the records close when the tasks let go of them. One handed
    // back since the last look is closed here: nothing will wait on it.
    for (const auto& connection : mConnections) {
        if (connection->release()) {
            close(*connection);
        }
    }
    mConnections.clear();
}

}  // namespace korvane
