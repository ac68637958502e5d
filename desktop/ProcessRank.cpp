#include "desktop/ProcessRank.h"

namespace korvane {

bool keysDropped(const ProcessRank& target, const ProcessRank& self) {
    if (target.integrity && self.integrity) {
        return *target.integrity > *self.integrity;
    }
    const bool selfElevated = self.elevated.value_or(false);
    if (target.refused) {
        return !selfElevated;
    }
    return target.elevated.value_or(false) && !selfElevated;
}

}  // namespace korvane
