#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/RandomBytes.h"

namespace korvane {

// The one-time code that approves the phone which scans it off the PC's screen (or korvane-host's
// terminal): whoever can read the code can see the screen, which a stranger on the Wi-Fi cannot,
// however many keys he sends. RequestHandler takes a barcode request carrying the valid code from
// a phone not approved for good as that phone's approval and types nothing.
//
// One code is valid at a time, for kLifetime from its issue, and only once: a new code replaces
// the previous. A code is kSymbols symbols of Crockford's base 32 (digits and capitals without I,
// L, O and U, so none is misread), 50 bits: a stranger guessing 100,000 times a second for the
// whole two minutes hits it once in about 10^8 codes. It is shown as two groups of five
// ("7KQ2M-X9D4P"); a scanned or typed text is read ignoring case, hyphens and blanks, O as 0 and
// I or L as 1. It never begins with "ZRQ", the connection QR code's prefix, so that no phone
// takes it for its settings.
//
// Any thread: issued on the front end's thread, read and used on server threads.
class ApprovalCode {
  public:
    using Clock = std::chrono::steady_clock;
    using Now = std::function<Clock::time_point()>;
    using Random = std::function<bool(std::span<std::uint8_t>)>;

    static constexpr std::chrono::seconds kLifetime{120};
    static constexpr std::size_t kSymbols = 10;
    // Codes of this run that are remembered once spent, so that a phone scanning one again never
    // has it typed.
    static constexpr std::size_t kRememberedCodes = 16;

    // `now` and `random` stand for the clock and the system's randomness (fillRandom) in tests.
    explicit ApprovalCode(Now now = Clock::now, Random random = fillRandom);

    // A new code, valid from now for kLifetime, as it is shown; the previous one is spent.
    // nullopt when the system gave no random bytes.
    std::optional<std::string> issue();

    enum class Match {
        Other,  // no code of this run
        Valid,  // the code valid now
        Spent,  // a code of this run used, expired, replaced or withdrawn
    };
    Match match(std::string_view scanned) const;

    // Spends the valid code when `scanned` is it: true for one caller only.
    bool use(std::string_view scanned);

    // Spends `code` when it is the valid one: the window that showed it was closed.
    void withdraw(std::string_view code);

    // What became of `code` (as issue gave it), for the window that shows it; a withdrawn code
    // reads as Expired.
    enum class State { Valid, Used, Expired, Replaced };
    struct Status {
        State state;
        Clock::duration left;  // until it expires; zero unless Valid
    };
    Status status(std::string_view code) const;

  private:
    // The code's symbols, upper case, without separators; empty when `text` has a character no
    // code has or is no code's length.
    static std::string normalised(std::string_view text);
    bool validLocked() const;

    const Now mNow;
    const Random mRandom;
    mutable std::mutex mLock;
    std::string mLast;  // the code issued last, normalised; empty before the first
    Clock::time_point mExpiry{};
    bool mUsed = false;
    bool mWithdrawn = false;
    std::deque<std::string> mEarlier;  // codes issued before mLast, normalised, newest last
};

}  // namespace korvane
