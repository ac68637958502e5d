#pragma once

namespace korvane::net {

// A flag that a thread waiting on a socket can wait on at the same time (waitSocket), so that it
// wakes the moment another thread raises it, however long its wait. Backed by an eventfd.
// raise and clear may be called from any thread; raising twice is the same as once.
class WakeSignal {
  public:
    // Throws std::system_error when the system gives no descriptor for it.
    WakeSignal();
    ~WakeSignal();
    WakeSignal(const WakeSignal&) = delete;
    WakeSignal& operator=(const WakeSignal&) = delete;

    void raise();
    // Lowers it again, so that the next wait waits.
    void clear();
    // What waitSocket polls: readable while raised.
    int descriptor() const { return mFd; }

  private:
    int mFd;
};

}  // namespace korvane::net
