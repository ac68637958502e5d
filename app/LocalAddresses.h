#pragma once

#include <string>
#include <vector>

namespace korvane {

struct TInterfaceAddress {
    std::string Address;  // dotted IPv4
    bool Loopback = false;
};

// The addresses in the order the list shows them: the others in their own order, loopback last.
std::vector<std::string> OrderLocalAddresses(const std::vector<TInterfaceAddress>& pAddresses);

// The IPv4 addresses of this PC's interfaces that are up, ordered as above. False when the
// interfaces could not be read; pAddresses is then empty.
bool ReadLocalAddresses(std::vector<std::string>& pAddresses);

}  // namespace korvane
