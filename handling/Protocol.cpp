#include "handling/Protocol.h"

#include "handling/RequestFields.h"

namespace korvane::protocol {

std::string reply(std::int32_t code, Result result) {
    return joinFields({std::to_string(code), std::to_string(static_cast<int>(result))});
}

std::string reply(std::int32_t code, Result result, const std::string& text) {
    return joinFields({std::to_string(code), std::to_string(static_cast<int>(result)), text});
}

std::string settingsReply() {
    return joinFields({"101", "1"});
}

}  // namespace korvane::protocol
