#include "handling/PendingReplies.h"

#include <algorithm>
#include <exception>

namespace korvane {

void PendingReplies::put(std::uint64_t connectionId, PendingReply reply) {
    try {
        std::lock_guard guard(mLock);
        std::erase_if(mEntries, [&](const Entry& e) { return e.connectionId == connectionId; });
        mEntries.push_back({connectionId, std::move(reply)});
    } catch (const std::exception& e) {
        mBoxes.showError(std::string("Error:mdlSetValue:") + e.what());
    }
}

std::optional<PendingReply> PendingReplies::take(std::uint64_t connectionId) {
    try {
        std::lock_guard guard(mLock);
        auto found = std::find_if(mEntries.begin(), mEntries.end(),
                                  [&](const Entry& e) { return e.connectionId == connectionId; });
        if (found == mEntries.end()) {
            return std::nullopt;
        }
        PendingReply reply = std::move(found->reply);
        mEntries.erase(found);
        return reply;
    } catch (const std::exception& e) {
        mBoxes.showError(std::string("Error:mdlGetValue:") + e.what());
        return std::nullopt;
    }
}

std::vector<std::uint64_t> PendingReplies::connections() const {
    std::lock_guard guard(mLock);
    std::vector<std::uint64_t> ids;
    for (const auto& entry : mEntries) {
        ids.push_back(entry.connectionId);
    }
    return ids;
}

}  // namespace korvane
