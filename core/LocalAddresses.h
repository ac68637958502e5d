#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/NetworkInterfaces.h"

namespace korvane {

// An address as the window offers it: the address and the interface it belongs to.
struct LocalAddress {
    std::string address;
    std::string interfaceName;
    // Its interface carries the default route.
    bool onDefaultRoute = false;
};

// The addresses in the order the list shows them, each group in the system's own order: those
// of the interface that carries the default route (the one a phone on the LAN most likely
// reaches), then the other LAN interfaces, then virtual ones, loopback last.
std::vector<LocalAddress> orderLocalAddresses(const std::vector<InterfaceAddress>& addresses,
                                              const std::string& defaultRouteInterface);

// The IPv4 addresses of this PC's interfaces that are up, ordered as above. False when the
// interfaces could not be read; addresses is then empty.
bool readLocalAddresses(std::vector<LocalAddress>& addresses);

// Fills the list with this PC's IPv4 addresses, in the order to offer them; false when they could
// not be read. readLocalAddresses, or a test's own list.
using AddressSource = std::function<bool(std::vector<LocalAddress>& addresses)>;

}  // namespace korvane
