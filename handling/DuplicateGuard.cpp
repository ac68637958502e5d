#include "handling/DuplicateGuard.h"

#include <algorithm>

namespace korvane {

bool DuplicateGuard::isRepeat(const std::string& clientKey, const std::string& text,
                              Clock::time_point now, std::chrono::milliseconds window) const {
    if (window.count() <= 0) {
        return false;
    }
    auto last = std::find_if(mEntries.rbegin(), mEntries.rend(), [&](const Entry& entry) {
        return entry.clientKey == clientKey && entry.text == text;
    });
    return last != mEntries.rend() && now >= last->typedAt && now - last->typedAt < window;
}

void DuplicateGuard::remember(const std::string& clientKey, const std::string& text,
                              Clock::time_point now, std::chrono::milliseconds window) {
    while (!mEntries.empty() &&
           (now - mEntries.front().typedAt >= window || mEntries.size() >= kMaxEntries)) {
        mEntries.pop_front();
    }
    if (window.count() > 0) {
        mEntries.push_back({clientKey, text, now});
    }
}

}  // namespace korvane
