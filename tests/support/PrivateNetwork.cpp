#include "tests/support/PrivateNetwork.h"

#include <arpa/inet.h>
#include <sched.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace korvane::test {

std::string PrivateNetwork::enter() {
    if (::unshare(CLONE_NEWNET) != 0) {
        return std::string("unshare(CLONE_NEWNET): ") + std::strerror(errno);
    }
    return ip("link set lo up\n");
}

std::string PrivateNetwork::ip(const std::string& commands) {
    const std::string input = "/tmp/korvane-ip-batch-" + std::to_string(::getpid());
    std::ofstream(input) << commands;
    FILE* pipe = ::popen(("ip -batch " + input + " 2>&1").c_str(), "r");
    if (pipe == nullptr) {
        return std::string("popen: ") + std::strerror(errno);
    }
    std::string output;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        output += buffer;
    }
    const int status = ::pclose(pipe);
    std::remove(input.c_str());
    if (status == 0) {
        return {};
    }
    return output.empty() ? "ip failed with status " + std::to_string(status) : output;
}

std::string PrivateNetwork::addLink(const std::string& name) {
    if (ip("link add " + name + " type dummy\n").empty()) {
        return ip("link set " + name + " up\n");
    }
    return ip("link add " + name + " type veth peer name " + name + "p\nlink set " + name +
              "p up\nlink set " + name + " up\n");
}

bool PrivateNetwork::listensOn(const std::string& address, unsigned port) {
    in_addr wanted{};
    if (::inet_pton(AF_INET, address.c_str(), &wanted) != 1) {
        return false;
    }
    std::ifstream table("/proc/net/tcp");
    std::string line;
    std::getline(table, line);
    while (std::getline(table, line)) {
        // "  0: 0500A8C0:FDE9 00000000:0000 0A ...": the address as the kernel holds it, in hex.
        std::istringstream fields(line);
        std::string slot, local, remote, state;
        fields >> slot >> local >> remote >> state;
        const auto colon = local.find(':');
        if (state != "0A" || colon == std::string::npos) {
            continue;
        }
        const auto raw =
            static_cast<std::uint32_t>(std::stoul(local.substr(0, colon), nullptr, 16));
        const auto localPort = std::stoul(local.substr(colon + 1), nullptr, 16);
        if (raw == wanted.s_addr && localPort == port) {
            return true;
        }
    }
    return false;
}

}  // namespace korvane::test
