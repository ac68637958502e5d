#include "handling/PendingReplyList.h"

#include <algorithm>
#include <exception>

namespace korvane {

void TPendingReplyList::mdlSetValue(const std::string& pstrKey, const std::string& pstrSend,
                                    const std::string& pLogText) {
    try {
        std::lock_guard guard(mLock);
        auto found = std::find_if(mEntries.begin(), mEntries.end(),
                                  [&](const Entry& e) { return e.key == pstrKey; });
        if (found != mEntries.end()) {
            mEntries.erase(found);
        }
        mEntries.push_back({pstrKey, pstrSend, pLogText});
    } catch (const std::exception& e) {
        mBoxes.ShowError(std::string("Error:mdlSetValue:") + e.what());
    }
}

void TPendingReplyList::mdlGetValue(const std::string& pstrKey, std::string& pstrSend,
                                    std::string& pLogText) {
    try {
        std::lock_guard guard(mLock);
        auto found = std::find_if(mEntries.begin(), mEntries.end(),
                                  [&](const Entry& e) { return e.key == pstrKey; });
        if (found == mEntries.end()) {
            return;
        }
        pstrSend = std::move(found->send);
        pLogText = std::move(found->log);
        mEntries.erase(found);
    } catch (const std::exception& e) {
        mBoxes.ShowError(std::string("Error:mdlGetValue:") + e.what());
    }
}

std::vector<std::string> TPendingReplyList::Keys() const {
    std::lock_guard guard(mLock);
    std::vector<std::string> keys;
    for (const auto& entry : mEntries) {
        keys.push_back(entry.key);
    }
    return keys;
}

}  // namespace korvane
