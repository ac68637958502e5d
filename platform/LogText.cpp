#include "platform/LogText.h"

#include "platform/Utf8.h"

namespace korvane {

std::string boundedLogText(std::string_view text, std::size_t limit) {
    // A character takes at least one byte: short texts need no count.
    if (text.size() <= limit) {
        return std::string(text);
    }
    const std::size_t length = utf8::length(text);
    if (length <= limit) {
        return std::string(text);
    }
    return std::string(utf8::mid(text, 0, limit)) + "…(" + std::to_string(length) + " 文字)";
}

}  // namespace korvane
