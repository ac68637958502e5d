#include "handling/DeviceApproval.h"

#include <algorithm>

#include "platform/Timestamp.h"

namespace korvane {
namespace {

// "[yyyy/mm/dd hh:nn:ss]" without its brackets.
std::string now() {
    const std::string stamp = bracketedTimestamp();
    return stamp.substr(1, stamp.size() - 2);
}

}  // namespace

DeviceApproval::DeviceApproval(ApprovalPrompt& prompt, std::vector<ApprovedDevice> devices,
                               bool enabled)
    : mPrompt(prompt), mEnabled(enabled), mDevices(std::move(devices)) {}

bool DeviceApproval::admits(const std::string& clientKey, const std::string& address) {
    if (!mEnabled) {
        return true;
    }
    enum class Outcome { Admitted, Moved, Refused, Ask } outcome;
    {
        std::lock_guard guard(mLock);
        auto device = std::find_if(mDevices.begin(), mDevices.end(),
                                   [&](const auto& d) { return d.clientKey == clientKey; });
        if (device != mDevices.end()) {
            outcome = device->lastAddress == address ? Outcome::Admitted : Outcome::Moved;
            device->lastAddress = address;
        } else if (mThisRun.count(clientKey) != 0) {
            outcome = Outcome::Admitted;
        } else if (mRefused.count(clientKey) != 0 || mAsking) {
            outcome = Outcome::Refused;
        } else {
            mAsking = clientKey;
            outcome = Outcome::Ask;
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
        case Outcome::Ask:
            try {
                mPrompt.ask(clientKey, address);
            } catch (...) {
                // A prompt that could not be shown leaves the question to the next request.
                std::lock_guard guard(mLock);
                mAsking.reset();
            }
            return false;
    }
    return false;
}

void DeviceApproval::answer(const std::string& clientKey, const std::string& address,
                            ApprovalAnswer answer) {
    bool changed = false;
    {
        std::lock_guard guard(mLock);
        if (mAsking == clientKey) {
            mAsking.reset();
        }
        switch (answer) {
            case ApprovalAnswer::Always:
                std::erase_if(mDevices, [&](const auto& d) { return d.clientKey == clientKey; });
                mDevices.push_back({clientKey, address, now()});
                forgetRefusal(clientKey);
                changed = true;
                break;
            case ApprovalAnswer::ThisRun:
                mThisRun.insert(clientKey);
                forgetRefusal(clientKey);
                break;
            case ApprovalAnswer::Refuse:
                refuse(clientKey);
                break;
            case ApprovalAnswer::Dismissed:
                break;
        }
    }
    if (changed && mChanged) {
        mChanged();
    }
}

void DeviceApproval::refuse(const std::string& clientKey) {
    if (!mRefused.insert(clientKey).second) {
        return;
    }
    mRefusedOrder.push_back(clientKey);
    if (mRefusedOrder.size() > kMostRefused) {
        mRefused.erase(mRefusedOrder.front());
        mRefusedOrder.pop_front();
    }
}

void DeviceApproval::forgetRefusal(const std::string& clientKey) {
    if (mRefused.erase(clientKey) != 0) {
        std::erase(mRefusedOrder, clientKey);
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

}  // namespace korvane
