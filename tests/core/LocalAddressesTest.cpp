#include "core/LocalAddresses.h"

#include <gtest/gtest.h>

namespace korvane {
namespace {

std::vector<std::string> shown(const std::vector<LocalAddress>& addresses) {
    std::vector<std::string> lines;
    for (const LocalAddress& entry : addresses) {
        lines.push_back(entry.address + " " + entry.interfaceName);
    }
    return lines;
}

TEST(LocalAddresses, DefaultRouteFirstThenLanThenVirtualLoopbackLast) {
    // A laptop with Docker, a VPN and Wi-Fi carrying the default route, listed as the kernel
    // happens to list them.
    const std::vector<InterfaceAddress> laptop = {
        {"127.0.0.1", "lo", true, true},
        {"172.17.0.1", "docker0", false, true},
        {"192.168.10.4", "enp0s31f6", false, false},
        {"10.8.0.2", "tun0", false, true},
        {"192.168.1.20", "wlp2s0", false, false},
        {"127.0.1.1", "lo", true, true},
        {"192.168.1.21", "wlp2s0", false, false},
    };
    struct Case {
        std::string defaultRoute;
        std::vector<std::string> order;
    };
    const Case cases[] = {
        {"wlp2s0",
         {"192.168.1.20 wlp2s0", "192.168.1.21 wlp2s0", "192.168.10.4 enp0s31f6",
          "172.17.0.1 docker0", "10.8.0.2 tun0", "127.0.0.1 lo", "127.0.1.1 lo"}},
        // No default route (an isolated shop LAN): LAN interfaces keep their own order.
        {"",
         {"192.168.10.4 enp0s31f6", "192.168.1.20 wlp2s0", "192.168.1.21 wlp2s0",
          "172.17.0.1 docker0", "10.8.0.2 tun0", "127.0.0.1 lo", "127.0.1.1 lo"}},
        // A VPN that takes the default route is still where the route goes.
        {"tun0",
         {"10.8.0.2 tun0", "192.168.10.4 enp0s31f6", "192.168.1.20 wlp2s0", "192.168.1.21 wlp2s0",
          "172.17.0.1 docker0", "127.0.0.1 lo", "127.0.1.1 lo"}},
        // A route through loopback never puts loopback first.
        {"lo",
         {"192.168.10.4 enp0s31f6", "192.168.1.20 wlp2s0", "192.168.1.21 wlp2s0",
          "172.17.0.1 docker0", "10.8.0.2 tun0", "127.0.0.1 lo", "127.0.1.1 lo"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(shown(orderLocalAddresses(laptop, c.defaultRoute)), c.order) << c.defaultRoute;
    }
    EXPECT_TRUE(orderLocalAddresses({}, "eth0").empty());
}

TEST(LocalAddresses, VirtualNamesAndTheDefaultRouteFromProcNetRoute) {
    for (const char* name : {"docker0", "br-3f2a", "virbr0", "veth12ab", "tun0", "wg0",
                             "tailscale0", "vboxnet0", "lxcbr0"}) {
        EXPECT_TRUE(looksVirtual(name)) << name;
    }
    for (const char* name : {"eth0", "enp0s31f6", "wlp2s0", "wlan0", "eno1"}) {
        EXPECT_FALSE(looksVirtual(name)) << name;
    }
    const std::string routes =
        "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n"
        "docker0\t000011AC\t00000000\t0001\t0\t0\t0\t0000FFFF\t0\t0\t0\n"
        "enp0s31f6\t00000000\t010AA8C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n"
        "wlp2s0\t00000000\t0101A8C0\t0003\t0\t0\t600\t00000000\t0\t0\t0\n"
        "tun0\t00000000\t00000000\t0002\t0\t0\t50\t00000000\t0\t0\t0\n"  // not up
        "wlp2s0\t0001A8C0\t00000000\t0001\t0\t0\t600\t00FFFFFF\t0\t0\t0\n";
    EXPECT_EQ(defaultRouteInterface(routes), "enp0s31f6");
    EXPECT_EQ(defaultRouteInterface(""), "");
    EXPECT_EQ(defaultRouteInterface("Iface\tDestination\n"), "");
}

TEST(LocalAddresses, ThisMachineListsLoopbackLastWithInterfaceNames) {
    std::vector<LocalAddress> addresses;
    ASSERT_TRUE(readLocalAddresses(addresses));
    ASSERT_FALSE(addresses.empty());
    EXPECT_EQ(addresses.back().address.rfind("127.", 0), 0u) << addresses.back().address;
    for (const LocalAddress& entry : addresses) {
        EXPECT_EQ(entry.address.find(':'), std::string::npos) << "IPv4 only: " << entry.address;
        EXPECT_FALSE(entry.interfaceName.empty()) << entry.address;
    }
}

}  // namespace
}  // namespace korvane
