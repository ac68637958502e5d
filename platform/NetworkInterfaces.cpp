#include "platform/NetworkInterfaces.h"

#include <climits>
#include <cstdlib>
#include <sstream>

namespace korvane {

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

}  // namespace korvane
