#include "core/LocalAddresses.h"

namespace korvane {
namespace {

enum class Rank { DefaultRoute, Lan, Virtual, Loopback };

Rank rankOf(const InterfaceAddress& entry, const std::string& defaultRoute) {
    if (entry.loopback) {
        return Rank::Loopback;
    }
    if (!defaultRoute.empty() && entry.interfaceName == defaultRoute) {
        return Rank::DefaultRoute;
    }
    return entry.isVirtual ? Rank::Virtual : Rank::Lan;
}

}  // namespace

std::vector<LocalAddress> orderLocalAddresses(const std::vector<InterfaceAddress>& addresses,
                                              const std::string& defaultRouteInterface) {
    std::vector<LocalAddress> ordered;
    for (Rank rank : {Rank::DefaultRoute, Rank::Lan, Rank::Virtual, Rank::Loopback}) {
        for (const InterfaceAddress& entry : addresses) {
            if (rankOf(entry, defaultRouteInterface) == rank) {
                ordered.push_back({entry.address, entry.interfaceName, rank == Rank::DefaultRoute});
            }
        }
    }
    return ordered;
}

bool readLocalAddresses(std::vector<LocalAddress>& addresses) {
    addresses.clear();
    std::vector<InterfaceAddress> found;
    if (!readInterfaceAddresses(found)) {
        return false;
    }
    addresses = orderLocalAddresses(found, defaultRouteInterfaceName());
    return true;
}

}  // namespace korvane
