#include "platform/NetworkInterfaces.h"

// In this order: the IP helper headers need the socket types first.
#include <winsock2.h>
#include <ws2tcpip.h>
// (a block of its own, so that sorting keeps the order)
#include <iphlpapi.h>
#include <netioapi.h>

#include <climits>
#include <vector>

#include "platform/win32/WideText.h"

namespace korvane {

bool readInterfaceAddresses(std::vector<InterfaceAddress>& addresses) {
    addresses.clear();
    constexpr ULONG kFlags =
        GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;
    ULONG size = 16 * 1024;
    std::vector<unsigned char> buffer;
    ULONG result = ERROR_BUFFER_OVERFLOW;
    // The list may grow between the two calls; a few tries settle it.
    for (int attempt = 0; attempt < 4 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
        buffer.resize(size);
        result =
            GetAdaptersAddresses(AF_INET, kFlags, nullptr,
                                 reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
    }
    if (result != NO_ERROR) {
        return false;
    }
    for (auto* adapter = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()); adapter;
         adapter = adapter->Next) {
        if (adapter->OperStatus != IfOperStatusUp) {
            continue;
        }
        const std::string name = adapter->FriendlyName ? win32::narrow(adapter->FriendlyName) : "";
        const bool loopbackAdapter = adapter->IfType == IF_TYPE_SOFTWARE_LOOPBACK;
        const bool isVirtual = looksVirtual(name) || adapter->IfType == IF_TYPE_TUNNEL ||
                               adapter->IfType == IF_TYPE_PPP;
        for (auto* unicast = adapter->FirstUnicastAddress; unicast; unicast = unicast->Next) {
            const auto* address = reinterpret_cast<const sockaddr_in*>(unicast->Address.lpSockaddr);
            if (address == nullptr || address->sin_family != AF_INET) {
                continue;
            }
            char text[INET_ADDRSTRLEN] = {};
            if (!inet_ntop(AF_INET, &address->sin_addr, text, sizeof text)) {
                continue;
            }
            const bool loopback = loopbackAdapter || (ntohl(address->sin_addr.s_addr) >> 24) == 127;
            addresses.push_back({text, name, loopback, isVirtual});
        }
    }
    return true;
}

std::string defaultRouteInterfaceName() {
    MIB_IPFORWARD_TABLE2* table = nullptr;
    if (GetIpForwardTable2(AF_INET, &table) != NO_ERROR) {
        return "";
    }
    NET_IFINDEX best = 0;
    ULONG bestMetric = ULONG_MAX;
    for (ULONG i = 0; i < table->NumEntries; ++i) {
        const MIB_IPFORWARD_ROW2& row = table->Table[i];
        if (row.DestinationPrefix.PrefixLength == 0 && row.Metric < bestMetric) {
            best = row.InterfaceIndex;
            bestMetric = row.Metric;
        }
    }
    FreeMibTable(table);
    if (best == 0) {
        return "";
    }
    constexpr ULONG kFlags = GAA_FLAG_SKIP_UNICAST | GAA_FLAG_SKIP_ANYCAST |
                             GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;
    ULONG size = 16 * 1024;
    std::vector<unsigned char> buffer(size);
    if (GetAdaptersAddresses(AF_INET, kFlags, nullptr,
                             reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()),
                             &size) != NO_ERROR) {
        return "";
    }
    for (auto* adapter = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()); adapter;
         adapter = adapter->Next) {
        if (adapter->IfIndex == best && adapter->FriendlyName) {
            return win32::narrow(adapter->FriendlyName);
        }
    }
    return "";
}

}  // namespace korvane
