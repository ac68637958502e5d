#include "app/LocalAddresses.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

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
                ordered.push_back({entry.address, entry.interfaceName});
            }
        }
    }
    return ordered;
}

bool looksVirtual(const std::string& interfaceName) {
    static const char* const kPrefixes[] = {
        "docker", "br-",       "virbr",    "veth",    "vnet", "tun",    "tap",     "wg",
        "lxc",    "lxd",       "cni",      "flannel", "kube", "podman", "vboxnet", "vmnet",
        "zt",     "tailscale", "nordlynx", "ppp",     "cali", "weave",  "incus"};
    for (const char* prefix : kPrefixes) {
        if (interfaceName.starts_with(prefix)) {
            return true;
        }
    }
    return false;
}

std::string defaultRouteInterface(const std::string& procNetRoute) {
    std::istringstream lines(procNetRoute);
    std::string line;
    std::getline(lines, line);  // the heading
    std::string best;
    long bestMetric = LONG_MAX;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string name, destination, gateway, flags, refCount, use, metric, mask;
        if (!(fields >> name >> destination >> gateway >> flags >> refCount >> use >> metric >>
              mask)) {
            continue;
        }
        constexpr unsigned long kRouteUp = 0x1;
        const unsigned long flagBits = std::strtoul(flags.c_str(), nullptr, 16);
        const long metricValue = std::strtol(metric.c_str(), nullptr, 10);
        if (destination == "00000000" && mask == "00000000" && (flagBits & kRouteUp) != 0 &&
            metricValue < bestMetric) {
            best = name;
            bestMetric = metricValue;
        }
    }
    return best;
}

bool readLocalAddresses(std::vector<LocalAddress>& addresses) {
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
        const std::string name = entry->ifa_name ? entry->ifa_name : "";
        // A 127.x address on another interface can no more be reached from a phone.
        const bool loopback =
            (entry->ifa_flags & IFF_LOOPBACK) || (ntohl(address->sin_addr.s_addr) >> 24) == 127;
        // The kernel files every interface without a device behind it under "virtual".
        std::error_code ignored;
        const bool isVirtual = looksVirtual(name) || (entry->ifa_flags & IFF_POINTOPOINT) != 0 ||
                               std::filesystem::exists("/sys/devices/virtual/net/" + name, ignored);
        found.push_back({text, name, loopback, isVirtual});
    }
    freeifaddrs(list);
    std::ifstream route("/proc/net/route");
    const std::string routes{std::istreambuf_iterator<char>(route),
                             std::istreambuf_iterator<char>()};
    addresses = orderLocalAddresses(found, defaultRouteInterface(routes));
    return true;
}

}  // namespace korvane
