#pragma once

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "server/ReceivedRequest.h"
#include "server/ServerEvent.h"

namespace korvane::test {

// What a wait that timed out gives as the event's kind.
inline constexpr EventKind kNoEvent = static_cast<EventKind>(255);
// What ServerHarness records when a request is answered (the server raises no event for it).
inline constexpr EventKind kRequest = static_cast<EventKind>(3);

// One event as the server raised it.
struct Event {
    EventKind kind = kNoEvent;
    std::string ip;
    std::string key;
    std::string data;
    std::string error;
    std::uint64_t connectionId = 0;

    static Event from(const ServerEvent& e) {
        return {e.kind, e.address, e.clientKey, e.data, e.error, e.connectionId};
    }
    static Event from(const ReceivedRequest& r) {
        return {kRequest, r.address, r.clientKey, r.data, {}, r.connectionId};
    }
};

// Collects events from any thread and lets a test wait for the one it expects.
class EventLog {
  public:
    void add(Event event) {
        std::lock_guard lock(mLock);
        mEvents.push_back(std::move(event));
        mChanged.notify_all();
    }

    // Waits until an event matching `match` has arrived at index `from` or later; returns it
    // (kind kNoEvent on time-out).
    Event waitFor(const std::function<bool(const Event&)>& match,
                  std::chrono::milliseconds timeout = std::chrono::seconds(15),
                  std::size_t from = 0) {
        std::unique_lock lock(mLock);
        Event found;
        found.kind = kNoEvent;
        mChanged.wait_for(lock, timeout, [&] {
            for (std::size_t i = from; i < mEvents.size(); ++i) {
                const Event& event = mEvents[i];
                if (match(event)) {
                    found = event;
                    return true;
                }
            }
            return false;
        });
        return found;
    }

    // Waits until `count` events matching `match` have arrived; false on time-out.
    bool waitForCount(const std::function<bool(const Event&)>& match, std::size_t count,
                      std::chrono::milliseconds timeout = std::chrono::seconds(15)) {
        std::unique_lock lock(mLock);
        return mChanged.wait_for(lock, timeout, [&] {
            return static_cast<std::size_t>(std::count_if(mEvents.begin(), mEvents.end(), match)) >=
                   count;
        });
    }

    Event waitForKind(EventKind kind,
                      std::chrono::milliseconds timeout = std::chrono::seconds(15)) {
        return waitFor([kind](const Event& e) { return e.kind == kind; }, timeout);
    }

    std::vector<Event> snapshot() {
        std::lock_guard lock(mLock);
        return mEvents;
    }

  private:
    std::mutex mLock;
    std::condition_variable mChanged;
    std::vector<Event> mEvents;
};

}  // namespace korvane::test
