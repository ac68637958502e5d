#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Socket.h"
#include "server/PeerLimits.h"
#include "server/RequestOutcome.h"

namespace korvane {

class Connection;
class ListenerHost;

// Opens the listening socket and waits, in one thread at a time, on it and on every connection
// that waits for its peer: it accepts connections and reads each one's request. A request the
// application answers at once (RequestRoute::quick) it serves itself; for any other, it hands
// the listening to a task of its own and serves the request on the thread that read it. After the
// reply it waits for the peer to close. It keeps the number of open connections bounded, ends those
// whose peer is too slow, and releases finished ones.
class Listener : public std::enable_shared_from_this<Listener> {
  public:
    // Listens on `address`:`port` for `host`, which must outlive every task of the listener.
    Listener(ListenerHost& host, std::string address, std::int32_t port);
    // The first task's body: opens the socket, then listens.
    void run();

  private:
    using Clock = std::chrono::steady_clock;

    // Waits and serves until the server stops, then finishes; or returns early, having handed
    // the listening (and the rest of what the last wait reported) to a task of its own and
    // served a request on this thread.
    void listen();
    // Starts a task that listens on, then serves the taken request on this thread. False when
    // no task could be started: the request then went the usual way, and this thread listens on.
    bool handOver();
    // Hands a request to a task of its own, or fails its connection when there is none.
    void startRequestTask(Connection& connection, std::function<RequestOutcome()> answer);
    void reportFailure(const std::string& error);
    // Closes everything and reports the end.
    void finish();

    void accept();
    void refuse(net::SocketHandle socket, const std::string& peer);
    // A connection the poller reported: its request or its close.
    void serve(Connection& connection);
    // Reads what has come of the connection's request; hands a whole one on.
    void receive(Connection& connection);
    // Discards what the peer sends after the reply; closes the connection at its end.
    void drain(Connection& connection);
    // Closes the connection, with a ClientError event `error` (unless it gave way).
    void fail(Connection& connection, std::string error);
    void close(Connection& connection);
    // Closes the connections whose wait is over, and those that gave way; lets go of the closed
    // ones. Returns how long the next wait may last: to the nearest deadline, a second at most
    // while tasks hold connections (they may hand one back), for ever (-1) when none is open.
    int endWaits(Clock::time_point now);
    // At the end: what the listener waits on is closed; what tasks hold gets 5 seconds, then is
    // shut down.
    void releaseAll();

    ListenerHost& mHost;
    const std::string mAddress;
    const std::int32_t mPort;
    // Peers that open connections and send nothing, or take their reply and never close, must
    // not take the server from the phones: at the limit such a connection gives way to the
    // newcomer.
    const PeerLimits mPeerLimits;
    net::SocketHandle mListening = net::kNoSocket;
    std::vector<std::shared_ptr<Connection>> mConnections;
    // What the last wait reported, and the next of it to serve.
    std::vector<void*> mReady;
    std::size_t mNextReady = 0;
    // A request just read that needs a task: this thread serves it, and hands the listening on.
    std::shared_ptr<Connection> mTaken;
    std::function<RequestOutcome()> mTakenAnswer;
    std::uint64_t mLastId = 0;
};

}  // namespace korvane
