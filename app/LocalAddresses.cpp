#include "app/LocalAddresses.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

namespace korvane {

std::vector<std::string> orderLocalAddresses(const std::vector<InterfaceAddress>& addresses) {
    std::vector<std::string> ordered;
    for (bool loopback : {false, true}) {
        for (const InterfaceAddress& entry : addresses) {
            if (entry.loopback == loopback) {
                ordered.push_back(entry.address);
            }
        }
    }
    return ordered;
}

bool readLocalAddresses(std::vector<std::string>& addresses) {
    addresses.clear();
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) {
        return false;
    }
    std::vector<InterfaceAddress> found;
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
        // A 127.x address on another interface can no more be reached from a phone.
        bool loopback =
            (entry->ifa_flags & IFF_LOOPBACK) || (ntohl(address->sin_addr.s_addr) >> 24) == 127;
        found.push_back({text, loopback});
    }
    freeifaddrs(list);
    addresses = orderLocalAddresses(found);
    return true;
}

}  // namespace korvane
