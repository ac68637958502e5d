#pragma once

#include <string>

namespace korvane::test {

// A network of the test's own, for what watches this PC's addresses: the process leaves the
// machine's network for a new namespace (unshare(CLONE_NEWNET)) in which there is nothing but
// loopback (brought up) and the links the test makes, with no route to anywhere else. So a test
// adds and takes away addresses freely and touches nothing outside. Linux; needs root (CI's tests
// run as root). The process stays in it until it ends: each test of ctest is a process of its own.
// Call from the main thread before any other thread starts, so that all later threads and
// /proc/self/net are in it.
class PrivateNetwork {
  public:
    // Why the process could not move (no permission, no namespaces); empty once it is in one.
    static std::string enter();
    // Runs `ip -batch -` with `commands`, one per line, so that they come as one quick burst;
    // the command's output when it fails, empty when it succeeds.
    static std::string ip(const std::string& commands);
    // Makes a link `name` that is up and can carry addresses and a route: a dummy, or, on a kernel
    // without dummy links, one end of a veth pair ("<name>p", up too) inside the namespace. Its
    // failure as ip's output.
    static std::string addLink(const std::string& name);
    // Whether a TCP socket of this namespace listens on `address` (dotted IPv4) and `port`.
    static bool listensOn(const std::string& address, unsigned port);
};

}  // namespace korvane::test
