#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "handling/ApprovalPrompt.h"
#include "handling/ApprovedDevice.h"
#include "handling/RefusedNames.h"
#include "handling/UnknownPhones.h"

namespace korvane {

// A refusal of this run, as the devices dialog lists it to be lifted.
struct Refusal {
    enum class Kind { Key, Address };
    Kind kind;
    std::string name;

    bool operator==(const Refusal&) const = default;
};

// The phones waiting for approval as a front end shows them.
struct WaitingPhones {
    std::vector<UnknownPhone> phones;  // oldest first
    std::uint64_t turnedAway = 0;      // requests not listed because the list was full
    bool manyAtOnce = false;           // many new keys asked lately: the window warns
};

// Which phones may use the desktop (type a barcode, capture the screen): those the user approved
// for good (kept with the settings) or for this run. Any other phone is refused at once, so no
// server thread ever waits for the user, and listed among the waiting phones (UnknownPhones: one
// entry per address, bounded, oldest first) for the user to approve or refuse; the prompt hears
// of each new entry. A flood of new keys so neither hides a phone already listed nor grows the
// list: when it is full, further addresses are only counted. A key or address refused in this run
// is refused quietly, as long as it is among the kMostRefused refused last: a flood of new keys,
// each refused (korvane-host refuses every phone it does not know), costs a bounded memory, and a
// key forgotten so is listed again. Many new keys in a short time, and a full list, raise a
// warning (at most one a minute of each). With approval turned off every phone may. Any thread.
class DeviceApproval {
  public:
    static constexpr std::size_t kMostRefused = 4096;
    // "Many at once": this many new keys within kBurstTime.
    static constexpr int kBurstKeys = 10;
    static constexpr std::chrono::seconds kBurstTime{10};
    static constexpr std::chrono::minutes kWarningGap{1};

    using Clock = std::function<ApprovalClock::time_point()>;

    // `devices`: the approved devices as the settings file keeps them. `enabled` false: every
    // phone may use the desktop and nobody is asked. `clock` times the waiting phones.
    DeviceApproval(ApprovalPrompt& prompt, std::vector<ApprovedDevice> devices, bool enabled,
                   Clock clock = ApprovalClock::now);

    // True when the phone may use the desktop now. Otherwise false, and the phone is noted among
    // the waiting ones unless its key or address was refused in this run. For an approved phone
    // whose address changed, the new address is kept (a change).
    bool admits(const std::string& clientKey, const std::string& address);

    // The user's answer about a phone; it leaves the waiting phones (the address's entry too when
    // refused).
    void answer(const std::string& clientKey, const std::string& address, ApprovalAnswer answer);

    bool enabled() const { return mEnabled; }
    // The devices approved for good, oldest first.
    std::vector<ApprovedDevice> devices() const;
    // Forgets a device approved for good (a change); its next request is listed again.
    void remove(const std::string& clientKey);

    // The phones waiting for an answer now.
    WaitingPhones waitingPhones() const;
    // The keys, then the addresses, refused in this run, oldest first.
    std::vector<Refusal> refusals() const;
    // Lifts a refusal: the key or address is listed again at its next request.
    void unrefuse(const Refusal& refusal);

    // Called after every change of the devices approved for good, on the thread that made it and
    // with no lock held: the window saves the settings. Set once, before requests arrive.
    void onChanged(std::function<void()> handler) { mChanged = std::move(handler); }
    // Called with the text of each warning (many new keys, a full list), on the server thread
    // that raised it, with no lock held. Set once, before requests arrive.
    void onWarning(std::function<void(const std::string& text)> handler) {
        mWarning = std::move(handler);
    }

  private:
    // Notes a request of a phone not approved nor refused; true when it joined the list.
    bool noteWaiting(const std::string& clientKey, const std::string& address,
                     std::vector<std::string>& warnings);

    ApprovalPrompt& mPrompt;
    const bool mEnabled;
    const Clock mClock;
    std::function<void()> mChanged;
    std::function<void(const std::string&)> mWarning;
    mutable std::mutex mLock;
    std::vector<ApprovedDevice> mDevices;
    std::set<std::string> mThisRun;
    RefusedNames mRefusedKeys{kMostRefused};
    RefusedNames mRefusedAddresses{kMostRefused};
    mutable UnknownPhones mWaiting;
    // New keys counted since mBurstStart, and when each warning was last given.
    ApprovalClock::time_point mBurstStart;
    int mBurstKeys = 0;
    std::optional<ApprovalClock::time_point> mLastBurst;
    std::optional<ApprovalClock::time_point> mLastFullWarning;
};

}  // namespace korvane
