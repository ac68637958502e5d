#include "app/LocalAddresses.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

namespace korvane {

std::vector<std::string> OrderLocalAddresses(const std::vector<TInterfaceAddress>& pAddresses) {
    std::vector<std::string> ordered;
    for (bool loopback : {false, true}) {
        for (const TInterfaceAddress& entry : pAddresses) {
            if (entry.Loopback == loopback) {
                ordered.push_back(entry.Address);
            }
        }
    }
    return ordered;
}

bool ReadLocalAddresses(std::vector<std::string>& pAddresses) {
    pAddresses.clear();
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) {
        return false;
    }
    std::vector<TInterfaceAddress> found;
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
    pAddresses = OrderLocalAddresses(found);
    return true;
}

}  // namespace korvane
