#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace korvane {

// A failure inside the request server; what() is a text of the message table, possibly with
// the texts of the layers below it on following lines.
class ServerError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A layer that passes a failure on puts its own text first, then CR LF, then the inner text.
inline std::string joinError(std::string_view outer, std::string_view inner) {
    std::string text(outer);
    text += "\r\n";
    text += inner;
    return text;
}

// The text of whatever was caught, for an event that reports it.
std::string currentErrorText();

}  // namespace korvane
