#pragma once

#include <memory>
#include <vector>

#include "platform/Socket.h"

namespace korvane::net {

// Many sockets waited on by one thread at once: the server's listener waits on its listening
// socket and on every connection that waits for its peer (for a request, or for the close after
// the reply) in one call, so a thousand waiting peers cost no thread each and a burst of them
// one wake-up. epoll on Linux; WSAPoll on Windows.
class SocketPoller {
  public:
    // Throws std::system_error when the system gives no descriptor (or socket) for it.
    SocketPoller();
    ~SocketPoller();
    SocketPoller(const SocketPoller&) = delete;
    SocketPoller& operator=(const SocketPoller&) = delete;

    // Reports `key` from the next wait in which `sock` can be read (bytes, the peer's end or an
    // error), once: then not again until it is watched anew. So the thread that watches a socket
    // hands it over to the waiting thread, and the waiting thread that took a report owns it until
    // it hands it on. Any thread, a wait under way included; the socket stays open until it is
    // forgotten.
    void watch(SocketHandle sock, void* key);
    // The same for as long as the socket is watched: reported by every wait while it can be read.
    void watchAlways(SocketHandle sock, void* key);
    // Not reported any more; called before the socket is closed. Any thread.
    void forget(SocketHandle sock);

    // Waits until a watched socket can be read, at most `timeoutMs` (-1: no limit), and appends
    // the keys of those that can to `ready`. False when the system's wait failed.
    bool wait(int timeoutMs, std::vector<void*>& ready);

  private:
    struct State;
    std::unique_ptr<State> mState;
};

}  // namespace korvane::net
