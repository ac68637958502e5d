#include "handling/DeviceApproval.h"

#include <algorithm>

#include "handling/LogTags.h"
#include "platform/Timestamp.h"

namespace korvane {
namespace {

// "[yyyy/mm/dd hh:nn:ss]" without its brackets.
std::string now() {
    const std::string stamp = bracketedTimestamp();
    return stamp.substr(1, stamp.size() - 2);
}

bool dueAgain(const std::optional<ApprovalClock::time_point>& last, ApprovalClock::time_point at) {
    return !last || at - *last >= DeviceApproval::kWarningGap;
}

}  // namespace

DeviceApproval::DeviceApproval(ApprovalPrompt& prompt, std::vector<ApprovedDevice> devices,
                               bool enabled, Clock clock)
    : mPrompt(prompt), mEnabled(enabled), mClock(std::move(clock)), mDevices(std::move(devices)) {}

bool DeviceApproval::admits(const std::string& clientKey, const std::string& address) {
    if (!mEnabled) {
        return true;
    }
    enum class Outcome { Admitted, Moved, Refused, Listed } outcome = Outcome::Refused;
    std::vector<std::string> warnings;
    {
        std::lock_guard guard(mLock);
        auto device = std::find_if(mDevices.begin(), mDevices.end(),
                                   [&](const auto& d) { return d.clientKey == clientKey; });
        if (device != mDevices.end()) {
            outcome = device->lastAddress == address ? Outcome::Admitted : Outcome::Moved;
            device->lastAddress = address;
        } else if (mThisRun.count(clientKey) != 0) {
            outcome = Outcome::Admitted;
        } else if (!mRefusedKeys.contains(clientKey) && !mRefusedAddresses.contains(address) &&
                   noteWaiting(clientKey, address, warnings)) {
            outcome = Outcome::Listed;
        }
    }
    for (const std::string& warning : warnings) {
        if (mWarning) {
            mWarning(warning);
        }
    }
    switch (outcome) {
        case Outcome::Admitted:
            return true;
        case Outcome::Moved:
            if (mChanged) {
                mChanged();
            }
            return true;
        case Outcome::Refused:
            return false;
        case Outcome::Listed:
            try {
                mPrompt.ask(clientKey, address);
            } catch (...) {
                // A prompt that could not be told leaves the phone to be listed at its next
                // request, and told then.
                std::lock_guard guard(mLock);
                mWaiting.removeAddress(address);
            }
            return false;
    }
    return false;
}

bool DeviceApproval::noteWaiting(const std::string& clientKey, const std::string& address,
                                 std::vector<std::string>& warnings) {
    const ApprovalClock::time_point at = mClock();
    const UnknownPhones::Noted noted = mWaiting.note(clientKey, address, at);
    if (noted != UnknownPhones::Noted::Again) {
        if (at - mBurstStart >= kBurstTime) {
            mBurstStart = at;
            mBurstKeys = 0;
        }
        if (++mBurstKeys >= kBurstKeys && dueAgain(mLastBurst, at)) {
            mLastBurst = at;
            warnings.push_back(logtag::kManyUnknownPhones);
        }
    }
    if (noted == UnknownPhones::Noted::TurnedAway && dueAgain(mLastFullWarning, at)) {
        mLastFullWarning = at;
        warnings.push_back(logtag::kWaitingListFull + std::to_string(mWaiting.turnedAway()) +
                           logtag::kWaitingListFullEnd);
    }
    return noted == UnknownPhones::Noted::Listed;
}

void DeviceApproval::answer(const std::string& clientKey, const std::string& address,
                            ApprovalAnswer answer) {
    bool changed = false;
    {
        std::lock_guard guard(mLock);
        mWaiting.removeKey(clientKey);
        switch (answer) {
            case ApprovalAnswer::Always:
                std::erase_if(mDevices, [&](const auto& d) { return d.clientKey == clientKey; });
                mDevices.push_back({clientKey, address, now()});
                mRefusedKeys.remove(clientKey);
                changed = true;
                break;
            case ApprovalAnswer::ThisRun:
                mThisRun.insert(clientKey);
                mRefusedKeys.remove(clientKey);
                break;
            case ApprovalAnswer::Refuse:
                mRefusedKeys.add(clientKey);
                // A key that took the address's entry over meanwhile is listed, and told of,
                // afresh at its next request.
                mWaiting.removeAddress(address);
                break;
            case ApprovalAnswer::RefuseAddress:
                mRefusedKeys.add(clientKey);
                mRefusedAddresses.add(address);
                mWaiting.removeAddress(address);
                break;
        }
    }
    if (changed && mChanged) {
        mChanged();
    }
}

std::vector<ApprovedDevice> DeviceApproval::devices() const {
    std::lock_guard guard(mLock);
    return mDevices;
}

void DeviceApproval::remove(const std::string& clientKey) {
    bool removed = false;
    {
        std::lock_guard guard(mLock);
        removed =
            std::erase_if(mDevices, [&](const auto& d) { return d.clientKey == clientKey; }) > 0;
        mThisRun.erase(clientKey);
    }
    if (removed && mChanged) {
        mChanged();
    }
}

WaitingPhones DeviceApproval::waitingPhones() const {
    std::lock_guard guard(mLock);
    const ApprovalClock::time_point at = mClock();
    return {mWaiting.entries(at), mWaiting.turnedAway(), !dueAgain(mLastBurst, at)};
}

std::vector<Refusal> DeviceApproval::refusals() const {
    std::lock_guard guard(mLock);
    std::vector<Refusal> all;
    for (std::string& key : mRefusedKeys.list()) {
        all.push_back({Refusal::Kind::Key, std::move(key)});
    }
    for (std::string& address : mRefusedAddresses.list()) {
        all.push_back({Refusal::Kind::Address, std::move(address)});
    }
    return all;
}

void DeviceApproval::unrefuse(const Refusal& refusal) {
    std::lock_guard guard(mLock);
    (refusal.kind == Refusal::Kind::Key ? mRefusedKeys : mRefusedAddresses).remove(refusal.name);
}

}  // namespace korvane
