#include "platform/NetworkInterfaces.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace korvane {

bool readInterfaceAddresses(std::vector<InterfaceAddress>& addresses) {
    addresses.clear();
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) {
        return false;
    }
    for (ifaddrs* entry = list; entry; entry = entry->ifa_next) {
        if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_INET ||
            !(entry->ifa_flags & IFF_UP)) {
            continue;
        }
        const auto* address = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
        char text[INET_ADDRSTRLEN] = {};
        if (!inet_ntop(AF_INET, &address->sin_addr, text, sizeof text)) {
            continue;
        }
        const std::string name = entry->ifa_name ? entry->ifa_name : "";
        // A 127.x address on another interface can no more be reached from a phone.
        const bool loopback =
            (entry->ifa_flags & IFF_LOOPBACK) || (ntohl(address->sin_addr.s_addr) >> 24) == 127;
        // The kernel files every interface without a device behind it under "virtual".
        std::error_code ignored;
        const bool isVirtual = looksVirtual(name) || (entry->ifa_flags & IFF_POINTOPOINT) != 0 ||
                               std::filesystem::exists("/sys/devices/virtual/net/" + name, ignored);
        addresses.push_back({text, name, loopback, isVirtual});
    }
    freeifaddrs(list);
    return true;
}

std::string defaultRouteInterfaceName() {
    std::ifstream route("/proc/net/route");
    const std::string routes{std::istreambuf_iterator<char>(route),
                             std::istreambuf_iterator<char>()};
    return defaultRouteInterface(routes);
}

}  // namespace korvane
