#include "platform/Timestamp.h"

#include <cstdio>
#include <ctime>

#include "platform/LocalTime.h"

namespace korvane {

std::string bracketedTimestamp() {
    std::time_t now = std::time(nullptr);
    const std::tm local = localTime(now);
    char text[80];
    std::snprintf(text, sizeof text, "[%04d/%02d/%02d %02d:%02d:%02d]", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}

}  // namespace korvane
