#include "app/LocalAddresses.h"

#include <gtest/gtest.h>

namespace korvane {
namespace {

TEST(LocalAddresses, LanAddressesFirstInTheirOrderLoopbackLast) {
    std::vector<InterfaceAddress> found = {
        {"127.0.0.1", true},
        {"192.168.0.5", false},
        {"127.0.1.1", true},
        {"10.0.0.7", false},
    };
    EXPECT_EQ(orderLocalAddresses(found),
              (std::vector<std::string>{"192.168.0.5", "10.0.0.7", "127.0.0.1", "127.0.1.1"}));
    EXPECT_TRUE(orderLocalAddresses({}).empty());
}

TEST(LocalAddresses, ThisMachineListsLoopbackLast) {
    std::vector<std::string> addresses;
    ASSERT_TRUE(readLocalAddresses(addresses));
    ASSERT_FALSE(addresses.empty());
    EXPECT_EQ(addresses.back().rfind("127.", 0), 0u) << addresses.back();
    for (const std::string& address : addresses) {
        EXPECT_EQ(address.find(':'), std::string::npos) << "IPv4 only: " << address;
    }
}

}  // namespace
}  // namespace korvane
