#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <string>

namespace korvane {

// Remembers which barcode each phone had typed and when, so that a second scan of the same code
// (a shaky hand, a code read twice) within a short time is not typed again. A repeat is a scan of
// the same text from the same phone less than the window after the last time it was typed;
// skipped scans do not extend the window, so a code held under the reader is typed once per
// window. Not thread-safe: the caller serialises calls (request handling's desktop lock).
class DuplicateGuard {
  public:
    using Clock = std::chrono::steady_clock;

    // Whether `text` from `clientKey` at `now` repeats a scan typed within `window`; never with a
    // window of 0 or less.
    bool isRepeat(const std::string& clientKey, const std::string& text, Clock::time_point now,
                  std::chrono::milliseconds window) const;
    // Notes that `text` from `clientKey` was typed at `now`, and forgets what lies `window` or
    // more in the past (and the oldest entries beyond a fixed count).
    void remember(const std::string& clientKey, const std::string& text, Clock::time_point now,
                  std::chrono::milliseconds window);

  private:
    struct Entry {
        std::string clientKey;
        std::string text;
        Clock::time_point typedAt;
    };
    // Bounds the memory a phone that sends many different codes quickly can take.
    static constexpr std::size_t kMaxEntries = 1024;
    // Oldest first.
    std::deque<Entry> mEntries;
};

}  // namespace korvane
