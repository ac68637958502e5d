#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "handling/ApprovalPrompt.h"
#include "handling/ApprovedDevice.h"

namespace korvane {

// Which phones may use the desktop (type a barcode, capture the screen): those the user approved
// for good (kept with the settings) or for this run. The first request of any other phone asks
// the user through the prompt; until the answer the phone is refused at once, so no server thread
// ever waits for the user. One question is open at a time, so a flood of new keys costs one
// prompt; a phone refused in this run is not asked again, as long as it is among the
// kMostRefused phones refused last: a flood of new keys, each refused (korvane-host refuses
// every phone it does not know), costs a bounded memory, and a phone forgotten so is asked about
// again. With approval turned off every phone may. Any thread.
class DeviceApproval {
  public:
    static constexpr std::size_t kMostRefused = 4096;

    // `devices`: the approved devices as the settings file keeps them. `enabled` false: every
    // phone may use the desktop and nobody is asked.
    DeviceApproval(ApprovalPrompt& prompt, std::vector<ApprovedDevice> devices, bool enabled);

    // True when the phone may use the desktop now. Otherwise false, and the user is asked about
    // it unless a question is open or the phone was refused in this run. For an approved phone
    // whose address changed, the new address is kept (a change).
    bool admits(const std::string& clientKey, const std::string& address);

    // The user's answer about a phone that was asked about.
    void answer(const std::string& clientKey, const std::string& address, ApprovalAnswer answer);

    bool enabled() const { return mEnabled; }
    // The devices approved for good, oldest first.
    std::vector<ApprovedDevice> devices() const;
    // Forgets a device approved for good (a change); its next request asks again.
    void remove(const std::string& clientKey);

    // Called after every change of the devices approved for good, on the thread that made it and
    // with no lock held: the window saves the settings. Set once, before requests arrive.
    void onChanged(std::function<void()> handler) { mChanged = std::move(handler); }

  private:
    void refuse(const std::string& clientKey);
    void forgetRefusal(const std::string& clientKey);

    ApprovalPrompt& mPrompt;
    const bool mEnabled;
    std::function<void()> mChanged;
    mutable std::mutex mLock;
    std::vector<ApprovedDevice> mDevices;
    std::set<std::string> mThisRun;
    std::set<std::string> mRefused;
    std::deque<std::string> mRefusedOrder;  // the keys of mRefused, oldest refusal first
    std::optional<std::string> mAsking;
};

}  // namespace korvane
