#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace korvane {

// What the request server tells the application besides its requests (RequestRoute.h). The
// numbers are the kinds' codes in the log's history and must not change.
enum class EventKind : std::uint8_t {
    // The listener started or a peer connected; `data` says which.
    Information = 0,
    // A connection failed or was refused; `error` says why. The connection is closed.
    ClientError = 2,
    // The listener failed; `error` says why. Listening ends.
    ListenerError = 5,
    // Listening ended; `data` says so.
    ListenerEnded = 6,
};

struct ServerEvent {
    EventKind kind = EventKind::Information;
    // Which connection the event concerns (for every connection event, also a failed one);
    // 0 for the listener's own events. Never reused within one server.
    std::uint64_t connectionId = 0;
    std::string address;
    std::string clientKey;
    std::string data;
    std::string error;
};

// The application's reaction. Called on whichever server thread raised the event; it may throw,
// and the raising thread treats that as its own failure.
using EventHandler = std::function<void(const ServerEvent& event)>;

}  // namespace korvane
