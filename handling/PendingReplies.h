#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "handling/WindowPorts.h"

namespace korvane {

// The reply that waits for the phone to acknowledge a capture, and the log line that goes with it.
struct PendingReply {
    std::string payload;
    std::string logLine;
};

// Replies that wait for the phone to acknowledge a capture file, kept with the connection they
// belong to (by its id): stored by the command that captured, taken on the file sender's thread
// once the file is delivered, dropped when the connection fails first. Two captures in flight for
// one phone each get their own reply.
class PendingReplies {
  public:
    explicit PendingReplies(MessageBoxes& boxes) : mBoxes(boxes) {}

    // Stores the connection's reply at the end, replacing an earlier one.
    void put(std::uint64_t connectionId, PendingReply reply);
    // Takes the connection's reply, once.
    std::optional<PendingReply> take(std::uint64_t connectionId);

    // The connections with a stored reply, oldest first.
    std::vector<std::uint64_t> connections() const;

  private:
    struct Entry {
        std::uint64_t connectionId;
        PendingReply reply;
    };

    MessageBoxes& mBoxes;
    mutable std::mutex mLock;
    std::vector<Entry> mEntries;
};

}  // namespace korvane
