#pragma once

#include <cstdint>
#include <string>

namespace korvane {

// A whole request as the server read it from a connection.
struct ReceivedRequest {
    // Which connection it came on; never reused within one server.
    std::uint64_t connectionId = 0;
    std::string address;
    std::string clientKey;
    std::string data;
};

}  // namespace korvane
