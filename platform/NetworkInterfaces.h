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

// The IPv4 addresses of this PC's interfaces that are up, in the system's order. False when the
// interfaces could not be read.
bool readInterfaceAddresses(std::vector<InterfaceAddress>& addresses);

// The interface that carries the default route with the lowest metric; empty when there is none
// or the routes cannot be read.
std::string defaultRouteInterfaceName();

// Whether an interface's name is one that software gives its virtual links (docker0, br-…,
// virbr0, veth…, tun0, wg0, tailscale0, …).
bool looksVirtual(const std::string& interfaceName);

// The interface of the default route with the lowest metric in the text of Linux's
// /proc/net/route; empty when there is none.
std::string defaultRouteInterface(const std::string& procNetRoute);

}  // namespace korvane
