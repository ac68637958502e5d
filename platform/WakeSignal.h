#pragma once

#include "platform/Socket.h"

namespace korvane::net {

// A flag that a thread waiting on a socket can wait on at the same time (SocketPoller), so
// that it wakes the moment another thread raises it, however long its wait. An eventfd on Linux;
// on Windows a UDP socket on 127.0.0.1 that sends itself a byte.
// raise and clear may be called from any thread; raising twice is the same as once.
class WakeSignal {
  public:
    // Throws std::system_error when the system gives no descriptor (or socket) for it.
    WakeSignal();
    ~WakeSignal();
    WakeSignal(const WakeSignal&) = delete;
    WakeSignal& operator=(const WakeSignal&) = delete;

    void raise();
    // Lowers it again, so that the next wait waits.
    void clear();
    // What a SocketPoller watches: readable while raised.
    SocketHandle descriptor() const { return mHandle; }

  private:
    SocketHandle mHandle;
};

}  // namespace korvane::net
