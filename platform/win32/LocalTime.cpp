#include "platform/LocalTime.h"

namespace korvane {

std::tm localTime(std::time_t when) {
    std::tm local{};
    localtime_s(&local, &when);
    return local;
}

}  // namespace korvane
