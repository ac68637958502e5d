#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The few socket calls the server and the phone simulator make: POSIX sockets, or Winsock on
// Windows. Every call may be made from any thread.
namespace korvane::net {

// A descriptor (POSIX) or a SOCKET (Windows, whose INVALID_SOCKET is kNoSocket here too).
using SocketHandle = std::intptr_t;
inline constexpr SocketHandle kNoSocket = -1;

// Makes sockets usable in this process: WSAStartup on Windows, nothing elsewhere. Any number of
// calls from any thread; the first does the work. Empty on success, else the message for the log,
// "[WSAStartupFailed]に失敗しました。". openTcpSocket calls it too, so only a caller that wants
// the message needs to.
std::string startNetworking();

// A blocking IPv4 TCP socket, not inherited by child processes, or kNoSocket.
SocketHandle openTcpSocket();
void setReceiveBuffer(SocketHandle sock, int bytes);
// Lets a listener bind again at once while connections of an earlier one linger in TIME_WAIT.
// On Windows, where SO_REUSEADDR would let another socket take a port in use, it claims the port
// exclusively instead (Windows binds past TIME_WAIT anyway).
void setReuseAddress(SocketHandle sock);
// Binds exactly `address` (dotted IPv4, no wildcard substituted); false when it is not an
// address of this machine, is malformed, or the port is taken.
bool bindIPv4(SocketHandle sock, const std::string& address, std::uint16_t port);
// The longest queue of connections not yet accepted that the system allows: a burst of phones
// beyond a short queue would lose connection attempts and wait for TCP to retry them (1 s, 3 s...).
extern const int kMaxBacklog;
bool listenOn(SocketHandle sock, int backlog);
// Accepts one connection, sending without delay (TCP_NODELAY); `peer` receives the peer's
// dotted address.
SocketHandle acceptIPv4(SocketHandle sock, std::string& peer);
// Connects to `address`:`port`, from the local address `source` when one is given (a loopback
// address other than 127.0.0.1 lets one machine stand for several peers); kNoSocket on failure.
SocketHandle connectIPv4(const std::string& address, std::uint16_t port,
                         const std::string& source = {});
// The port a bound socket got (for a bind to port 0).
std::uint16_t localPort(SocketHandle sock);

enum class WaitResult { Failed, TimedOut, Ready };
// Waits until `sock` can be read (or written, when `forWrite`), at most `timeoutMs`. A socket with
// an error or a hang-up counts as ready, so that the following call reports it.
WaitResult waitSocket(SocketHandle sock, bool forWrite, int timeoutMs);

// recv / send with flags 0, except that a send to a vanished peer never raises SIGPIPE.
// Negative on failure, 0 for a receive when the peer has closed.
long receiveSome(SocketHandle sock, void* buffer, std::size_t size);
long sendSome(SocketHandle sock, const void* data, std::size_t size);
// The same without waiting: kWouldBlock when nothing can be received (or sent) at the moment.
// Trying first and waiting only then saves a poll per step when the bytes are already there.
inline constexpr long kWouldBlock = -2;
long receiveNow(SocketHandle sock, void* buffer, std::size_t size);
long sendNow(SocketHandle sock, const void* data, std::size_t size);

// How many received bytes wait to be read (0 on failure).
std::size_t pendingBytes(SocketHandle sock);

// Ends the connection in both directions without releasing the descriptor: a thread still
// blocked on it wakes up, and the number cannot be handed to a new socket meanwhile.
void shutdownSocket(SocketHandle sock);
void closeSocket(SocketHandle sock);

}  // namespace korvane::net
