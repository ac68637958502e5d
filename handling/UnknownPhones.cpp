#include "handling/UnknownPhones.h"

#include <algorithm>

namespace korvane {

UnknownPhones::Noted UnknownPhones::note(const std::string& clientKey, const std::string& address,
                                         ApprovalClock::time_point now) {
    expire(now);
    auto entry = std::find_if(mEntries.begin(), mEntries.end(),
                              [&](const UnknownPhone& e) { return e.address == address; });
    if (entry == mEntries.end()) {
        if (mEntries.size() >= kCapacity) {
            ++mTurnedAway;
            return Noted::TurnedAway;
        }
        mEntries.push_back({clientKey, address, now, now, 1, 0});
        return Noted::Listed;
    }
    ++entry->requests;
    entry->lastRequest = now;
    if (entry->clientKey == clientKey) {
        return Noted::Again;
    }
    entry->clientKey = clientKey;
    ++entry->keyChanges;
    return Noted::NewKey;
}

void UnknownPhones::removeKey(const std::string& clientKey) {
    std::erase_if(mEntries, [&](const UnknownPhone& e) { return e.clientKey == clientKey; });
}

void UnknownPhones::removeAddress(const std::string& address) {
    std::erase_if(mEntries, [&](const UnknownPhone& e) { return e.address == address; });
}

std::vector<UnknownPhone> UnknownPhones::entries(ApprovalClock::time_point now) {
    expire(now);
    return mEntries;
}

void UnknownPhones::expire(ApprovalClock::time_point now) {
    std::erase_if(mEntries, [&](const UnknownPhone& e) { return now - e.lastRequest >= kExpiry; });
}

}  // namespace korvane
