#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

namespace korvane {

// The yardstick for the request server: one thread and poll() for every connection (and the same
// listen backlog, the system's maximum), answering a
// framed 101 request with the same reply, and nothing else (no log, no trace, no other command).
class ReferenceServer {
  public:
    // Listens on a free port of 127.0.0.1 at once.
    ReferenceServer();
    ~ReferenceServer();
    ReferenceServer(const ReferenceServer&) = delete;
    ReferenceServer& operator=(const ReferenceServer&) = delete;

    std::uint16_t port() const { return mPort; }

  private:
    void loop();

    int mListen = -1;
    int mWake[2] = {-1, -1};
    std::uint16_t mPort = 0;
    std::atomic<bool> mStop{false};
    std::thread mThread;
};

}  // namespace korvane
