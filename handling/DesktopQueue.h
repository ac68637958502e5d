#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace korvane {

// The desktop's commands, one at a time, shared fairly between peers. Each peer address has at
// most `perPeer` commands waiting or running: beyond that a command is refused, so one peer
// cannot hold the queue against the others. When the desktop comes free the oldest waiting
// command of another peer than the one just served goes first, so a peer's long commands (a
// capture's five-second pause) alternate with the other phones' instead of running back to
// back. Any thread.
class DesktopQueue {
  public:
    // The desktop held by one command; released when it is destroyed.
    class Turn {
      public:
        Turn(Turn&& other) noexcept : mQueue(other.mQueue), mPeer(std::move(other.mPeer)) {
            other.mQueue = nullptr;
        }
        Turn& operator=(Turn&&) = delete;
        ~Turn();

      private:
        friend class DesktopQueue;
        Turn(DesktopQueue& queue, std::string peer) : mQueue(&queue), mPeer(std::move(peer)) {}
        DesktopQueue* mQueue;
        std::string mPeer;
    };

    // `perPeer` is at least 1.
    explicit DesktopQueue(std::size_t perPeer) : mPerPeer(perPeer) {}

    // Waits for the desktop's turn of a command from `peer`; empty, at once, when the peer
    // already has its share of commands waiting or running.
    std::optional<Turn> enter(const std::string& peer);

  private:
    struct Waiting {
        std::uint64_t ticket;
        std::string peer;
    };
    void leave(const std::string& peer);
    // The ticket that goes next, from mWaiting; 0 when none waits.
    std::uint64_t nextTicket() const;

    const std::size_t mPerPeer;
    std::mutex mLock;
    std::condition_variable mChanged;
    std::deque<Waiting> mWaiting;
    std::map<std::string, std::size_t> mHeld;  // commands waiting or running, by peer
    bool mBusy = false;
    std::string mLastPeer;
    std::uint64_t mLastTicket = 0;
};

}  // namespace korvane
