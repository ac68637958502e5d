#include "handling/RefusedNames.h"

#include <algorithm>

namespace korvane {

void RefusedNames::add(const std::string& name) {
    if (!mNames.insert(name).second) {
        return;
    }
    mOrder.push_back(name);
    if (mOrder.size() > mCapacity) {
        mNames.erase(mOrder.front());
        mOrder.pop_front();
    }
}

bool RefusedNames::remove(const std::string& name) {
    if (mNames.erase(name) == 0) {
        return false;
    }
    std::erase(mOrder, name);
    return true;
}

}  // namespace korvane
