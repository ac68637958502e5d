#pragma once

#include <string>

namespace korvane {

// What the phone reads from the connection QR code: "ZRQ", "1", the address and the port text as
// typed, separated by TAB characters.
std::string qrPayload(const std::string& ipAddress, const std::string& portText);

}  // namespace korvane
