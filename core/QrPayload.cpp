#include "core/QrPayload.h"

namespace korvane {

std::string qrPayload(const std::string& ipAddress, const std::string& portText) {
    return "ZRQ\t1\t" + ipAddress + "\t" + portText;
}

}  // namespace korvane
