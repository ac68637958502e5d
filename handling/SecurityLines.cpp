#include "handling/SecurityLines.h"

namespace korvane {

void SecurityLines::add(Kind kind, std::string line) {
    std::lock_guard guard(mLock);
    std::deque<Line>& part = kind == Kind::Decision ? mDecisions : mWarnings;
    part.push_back({mAdded++, std::move(line)});
    if (part.size() > kMostEach) {
        part.pop_front();
    }
}

std::vector<std::string> SecurityLines::lines() const {
    std::lock_guard guard(mLock);
    std::vector<std::string> newestFirst;
    newestFirst.reserve(mDecisions.size() + mWarnings.size());
    auto decision = mDecisions.rbegin();
    auto warning = mWarnings.rbegin();
    while (decision != mDecisions.rend() || warning != mWarnings.rend()) {
        const bool takeDecision = warning == mWarnings.rend() || (decision != mDecisions.rend() &&
                                                                  decision->order > warning->order);
        newestFirst.push_back(takeDecision ? (decision++)->text : (warning++)->text);
    }
    return newestFirst;
}

}  // namespace korvane
