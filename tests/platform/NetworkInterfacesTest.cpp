#include "platform/NetworkInterfaces.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace korvane {
namespace {

// Every machine has its loopback interface up: it must be listed, as loopback, with its name.
TEST(NetworkInterfaces, ThisMachineListsItsLoopbackAddress) {
    std::vector<InterfaceAddress> addresses;
    ASSERT_TRUE(readInterfaceAddresses(addresses));
    const auto loopback =
        std::find_if(addresses.begin(), addresses.end(),
                     [](const InterfaceAddress& entry) { return entry.address == "127.0.0.1"; });
    ASSERT_NE(loopback, addresses.end());
    EXPECT_TRUE(loopback->loopback);
    EXPECT_FALSE(loopback->interfaceName.empty());
}

}  // namespace
}  // namespace korvane
