#include "core/ApprovalRow.h"

#include <cstdio>

#include "platform/LocalTime.h"
#include "platform/VisibleText.h"

namespace korvane {
namespace {

std::string timeOfDay(ApprovalClock::time_point when) {
    const std::tm local = localTime(ApprovalClock::to_time_t(when));
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}

}  // namespace

ApprovalRow approvalRow(const UnknownPhone& phone) {
    return {visibleText(phone.clientKey, LineBreaks::Escape),
            visibleText(phone.address, LineBreaks::Escape),
            timeOfDay(phone.firstRequest),
            timeOfDay(phone.lastRequest),
            std::to_string(phone.requests),
            std::to_string(phone.keyChanges)};
}

}  // namespace korvane
