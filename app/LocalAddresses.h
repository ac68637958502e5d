#pragma once

#include <string>
#include <vector>

namespace korvane {

struct InterfaceAddress {
    std::string address;  // dotted IPv4
    bool loopback = false;
};

// The addresses in the order the list shows them: the others in their own order, loopback last.
std::vector<std::string> orderLocalAddresses(const std::vector<InterfaceAddress>& addresses);

// The IPv4 addresses of this PC's interfaces that are up, ordered as above. False when the
// interfaces could not be read; addresses is then empty.
bool readLocalAddresses(std::vector<std::string>& addresses);

}  // namespace korvane
