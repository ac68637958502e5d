#include "handling/TypedWindowKinds.h"

#include <algorithm>

namespace korvane {

TypedWindowKinds::TypedWindowKinds(const std::vector<std::string>& kinds) {
    for (const std::string& kind : kinds) {
        add(kind);
    }
}

bool TypedWindowKinds::keepable(const std::string& kind) {
    return !kind.empty() && kind.size() <= kLongestKind &&
           std::none_of(kind.begin(), kind.end(), [](char c) {
               const auto byte = static_cast<unsigned char>(c);
               return byte < 0x20 || byte == 0x7F;
           });
}

bool TypedWindowKinds::add(const std::string& kind) {
    if (!keepable(kind) || std::find(mKinds.begin(), mKinds.end(), kind) != mKinds.end()) {
        return false;
    }
    if (mKinds.size() == kMostKinds) {
        mKinds.erase(mKinds.begin());
    }
    mKinds.push_back(kind);
    return true;
}

bool TypedWindowKinds::contains(const std::string& kind) const {
    std::lock_guard guard(mLock);
    return !kind.empty() && std::find(mKinds.begin(), mKinds.end(), kind) != mKinds.end();
}

bool TypedWindowKinds::learn(const std::string& kind) {
    bool added = false;
    {
        std::lock_guard guard(mLock);
        added = add(kind);
    }
    if (added && mChanged) {
        mChanged();
    }
    return added;
}

void TypedWindowKinds::forget(const std::string& kind) {
    bool removed = false;
    {
        std::lock_guard guard(mLock);
        const auto found = std::find(mKinds.begin(), mKinds.end(), kind);
        if (found != mKinds.end()) {
            mKinds.erase(found);
            removed = true;
        }
    }
    if (removed && mChanged) {
        mChanged();
    }
}

std::vector<std::string> TypedWindowKinds::list() const {
    std::lock_guard guard(mLock);
    return mKinds;
}

}  // namespace korvane
