#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace korvane {

// The clock that times the phones waiting for approval: wall time, so that their requests can be
// shown as times of day. Tests give their own.
using ApprovalClock = std::chrono::system_clock;

// A phone that asked to use the desktop without being approved, as the approval list shows it.
struct UnknownPhone {
    // The key of the latest request from the address: a phone whose app was set up again asks
    // under a new key from the same place.
    std::string clientKey;
    std::string address;
    ApprovalClock::time_point firstRequest;
    ApprovalClock::time_point lastRequest;
    // Requests from the address since it was listed, and how many of them changed its key.
    std::uint64_t requests = 0;
    std::uint64_t keyChanges = 0;
};

// The phones waiting for the user's answer: at most one entry per address and at most kCapacity
// entries, oldest first, so that no number of new keys pushes a listed phone out. When the list
// is full a new address is only counted (turnedAway), and an entry leaves once kExpiry has passed
// without a request from its address. Not thread-safe: DeviceApproval keeps it under its lock.
class UnknownPhones {
  public:
    static constexpr std::size_t kCapacity = 16;
    static constexpr std::chrono::minutes kExpiry{5};

    // What noting a request did to the list.
    enum class Noted {
        Listed,      // a new entry for the address
        NewKey,      // the address's entry now shows this key
        Again,       // the entry's key asked again
        TurnedAway,  // the list is full: counted, not listed
    };

    // A request of `clientKey` from `address` at `now`; entries expired by then leave first.
    Noted note(const std::string& clientKey, const std::string& address,
               ApprovalClock::time_point now);
    // Takes the entries whose key is `clientKey` off the list (the key was answered).
    void removeKey(const std::string& clientKey);
    // Takes the address's entry off the list.
    void removeAddress(const std::string& address);
    // The entries still listed at `now`, oldest first.
    std::vector<UnknownPhone> entries(ApprovalClock::time_point now);
    // Requests from addresses that found the list full, in this run.
    std::uint64_t turnedAway() const { return mTurnedAway; }

  private:
    void expire(ApprovalClock::time_point now);

    std::vector<UnknownPhone> mEntries;
    std::uint64_t mTurnedAway = 0;
};

}  // namespace korvane
