#pragma once

#include <string>
#include <vector>

namespace korvane {

// One IPv4 address of an interface that is up, as the system lists it.
struct InterfaceAddress {
    std::string address;  // dotted IPv4
    std::string interfaceName;
    bool loopback = false;
    // A bridge, tunnel, container or VM link: software, not a cable or radio to the LAN.
    bool isVirtual = false;
};

// An address as the window offers it: the address and the interface it belongs to.
struct LocalAddress {
    std::string address;
    std::string interfaceName;
};

// The addresses in the order the list shows them, each group in the system's own order: those
// of the interface that carries the default route (the one a phone on the LAN most likely
// reaches), then the other LAN interfaces, then virtual ones, loopback last.
std::vector<LocalAddress> orderLocalAddresses(const std::vector<InterfaceAddress>& addresses,
                                              const std::string& defaultRouteInterface);

// Whether an interface's name is one that software gives its virtual links (docker0, br-…,
// virbr0, veth…, tun0, wg0, tailscale0, …).
bool looksVirtual(const std::string& interfaceName);

// The interface of the default route with the lowest metric in the text of /proc/net/route;
// empty when there is none.
std::string defaultRouteInterface(const std::string& procNetRoute);

// The IPv4 addresses of this PC's interfaces that are up, ordered as above. False when the
// interfaces could not be read; addresses is then empty.
bool readLocalAddresses(std::vector<LocalAddress>& addresses);

}  // namespace korvane
