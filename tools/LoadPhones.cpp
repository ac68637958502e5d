// Kept whole (about 470 lines): every kind of peer, honest or hostile, is one state machine of
// the same LoadRun, driven by its single poll loop and counted in its one report; split by kind,
// each part would reach into the run's peers, clock and counters.
#include "tools/LoadPhones.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>

#include "server/Framing.h"
#include "tools/PhoneClient.h"

namespace korvane {
namespace {

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::milliseconds;

enum class Role { Honest, Slow, Vanish, Oversized, Silent, Lingering, NoAck, FreshKey };
// Waiting: closed until wakeAt. Draining: waiting for the server to close. Held: silent, open.
enum class Stage { Waiting, Connecting, Sending, Receiving, Draining, Held, Done };

constexpr Ms kRetryPause{50};
constexpr Ms kOversizedPatience{5000};

struct Peer {
    Role role = Role::Honest;
    int index = 0;
    int fd = -1;
    Stage stage = Stage::Waiting;
    Clock::time_point start;
    Clock::time_point wakeAt;
    std::string out;
    std::size_t sent = 0;
    std::string in;
    bool capture = false;
};

// Every peer connects from a loopback address of its own (127.1.x.y), as every phone on a LAN has
// its own address: the server's caps per peer address see each peer as one.
int connectNonBlocking(std::uint16_t port, int index) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd < 0) {
        return -1;
    }
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr =
        htonl((127u << 24) | (1u << 16) | static_cast<std::uint32_t>(index + 1));
    // The port is left for connect to choose: a bind to port 0 would search every port in use,
    // and the TIME_WAIT sockets of a long run make that search slower than the request itself.
    const int on = 1;
    ::setsockopt(fd, IPPROTO_IP, IP_BIND_ADDRESS_NO_PORT, &on, sizeof on);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        ::close(fd);
        return -1;
    }
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 &&
        errno != EINPROGRESS) {
        ::close(fd);
        return -1;
    }
    return fd;
}

double msSince(Clock::time_point start, Clock::time_point now) {
    return std::chrono::duration<double, std::milli>(now - start).count();
}

class LoadRun {
  public:
    explicit LoadRun(const LoadPlan& plan) : mPlan(plan), mStart(Clock::now()) {
        auto add = [this](Role role, int count) {
            for (int i = 0; i < count; ++i) {
                Peer peer;
                peer.role = role;
                peer.index = static_cast<int>(mPeers.size());
                peer.wakeAt = mStart;
                mPeers.push_back(std::move(peer));
            }
        };
        add(Role::Honest, plan.phones);
        add(Role::Slow, plan.slow);
        add(Role::Vanish, plan.vanish);
        add(Role::Oversized, plan.oversized);
        add(Role::Silent, plan.silent);
        add(Role::Lingering, plan.lingering);
        add(Role::NoAck, plan.noAck);
        add(Role::FreshKey, plan.freshKeyMs > 0 ? 1 : 0);
    }

    LoadReport run(const std::function<void(double)>& tick) {
        auto nextTick = mStart;
        std::vector<pollfd> fds;
        std::vector<Peer*> owners;
        for (;;) {
            auto now = Clock::now();
            double elapsed = std::chrono::duration<double>(now - mStart).count();
            if (now >= nextTick) {
                tick(elapsed);
                nextTick = now + Ms(100);
            }
            bool honestDone = mFinished >= mPlan.requests || mPlan.phones == 0;
            if (honestDone && !flooding() && elapsed >= mPlan.holdSeconds) {
                break;
            }
            if (elapsed >= mPlan.timeLimitSeconds) {
                mReport.timedOut = !honestDone;
                break;
            }
            auto wake = nextTick;
            fds.clear();
            owners.clear();
            for (Peer& peer : mPeers) {
                advance(peer, now);
                short events = pollEvents(peer, now);
                if (events != 0) {
                    fds.push_back({peer.fd, events, 0});
                    owners.push_back(&peer);
                }
                if (peer.stage == Stage::Waiting ||
                    (peer.stage == Stage::Sending && peer.role == Role::Slow)) {
                    wake = std::min(wake, peer.wakeAt);
                }
            }
            int timeout = static_cast<int>(std::clamp<long>(
                std::chrono::duration_cast<Ms>(wake - Clock::now()).count(), 0, 100));
            int ready = ::poll(fds.data(), fds.size(), timeout);
            if (ready <= 0) {
                continue;
            }
            now = Clock::now();
            for (std::size_t i = 0; i < fds.size(); ++i) {
                if (fds[i].revents != 0) {
                    onReady(*owners[i], now);
                }
            }
        }
        for (Peer& peer : mPeers) {
            close(peer);
        }
        mReport.seconds = std::chrono::duration<double>(Clock::now() - mStart).count();
        return std::move(mReport);
    }

  private:
    // A flooder with a count of keys to send has not sent them all yet.
    bool flooding() const {
        return mPlan.freshKeys > 0 && std::any_of(mPeers.begin(), mPeers.end(), [](const Peer& p) {
                   return p.role == Role::FreshKey && p.stage != Stage::Done;
               });
    }

    // Time-driven steps: connecting when due, timeouts.
    void advance(Peer& peer, Clock::time_point now) {
        if (peer.stage == Stage::Waiting && now >= peer.wakeAt) {
            if (peer.role == Role::Honest) {
                if (mStarted >= mPlan.requests) {
                    peer.stage = Stage::Done;
                    return;
                }
                ++mStarted;
                peer.capture = (mStarted * mPlan.capturePercent) / 100 !=
                               ((mStarted - 1) * mPlan.capturePercent) / 100;
            }
            if (peer.role == Role::FreshKey && mPlan.freshKeys > 0 &&
                mReport.freshKeysSent >= mPlan.freshKeys) {
                peer.stage = Stage::Done;
                return;
            }
            peer.fd = connectNonBlocking(mPlan.port, peer.index);
            peer.start = now;
            peer.in.clear();
            peer.out.clear();
            peer.sent = 0;
            if (peer.fd < 0) {
                fail(peer, "cannot open a socket", now);
                return;
            }
            peer.stage = Stage::Connecting;
            return;
        }
        if ((peer.role == Role::Honest || peer.role == Role::Slow || peer.role == Role::FreshKey) &&
            peer.fd >= 0 && peer.stage != Stage::Held &&
            now - peer.start > Ms(mPlan.replyTimeoutMs)) {
            fail(peer, "no reply in time", now);
        }
        if (peer.stage == Stage::Draining && now - peer.start > kOversizedPatience) {
            restart(peer, now);
        }
    }

    short pollEvents(const Peer& peer, Clock::time_point now) const {
        switch (peer.stage) {
            case Stage::Connecting:
                return POLLOUT;
            case Stage::Sending:
                return (peer.role == Role::Slow && now < peer.wakeAt) ? 0 : POLLOUT;
            case Stage::Receiving:
            case Stage::Draining:
            case Stage::Held:
                return POLLIN;
            default:
                return 0;
        }
    }

    void onReady(Peer& peer, Clock::time_point now) {
        switch (peer.stage) {
            case Stage::Connecting:
                connected(peer, now);
                break;
            case Stage::Sending:
                Send(peer, now);
                break;
            case Stage::Receiving:
                receive(peer, now);
                break;
            case Stage::Draining:
            case Stage::Held:
                drain(peer, now);
                break;
            default:
                break;
        }
    }

    void connected(Peer& peer, Clock::time_point now) {
        int error = 0;
        socklen_t length = sizeof error;
        ::getsockopt(peer.fd, SOL_SOCKET, SO_ERROR, &error, &length);
        if (error != 0) {
            fail(peer, "connection refused", now);
            return;
        }
        const std::string key = "LOAD" + std::to_string(peer.index);
        switch (peer.role) {
            case Role::Honest:
                peer.out = phone::buildRequest(key, peer.capture ? "103" : "101");
                break;
            case Role::Slow:
                peer.out = phone::buildRequest(key, "101");
                peer.wakeAt = now;
                break;
            case Role::Vanish: {
                std::string whole = phone::buildRequest(key, "101");
                peer.out = whole.substr(0, 16 + (whole.size() - 16) / 2);
                break;
            }
            case Role::Oversized:
                peer.out = makeHeader(2147483647, MessageType::Request) + std::string(64, '0');
                break;
            case Role::Silent:
                ++mReport.silentConnected;
                peer.stage = Stage::Held;
                return;
            case Role::Lingering:
                peer.out = phone::buildRequest(key, "101");
                break;
            case Role::NoAck:
                peer.out = phone::buildRequest(key, "103");
                break;
            case Role::FreshKey:
                peer.out =
                    phone::buildRequest("FRESH" + std::to_string(mReport.freshKeysSent++), "101");
                break;
        }
        peer.stage = Stage::Sending;
        Send(peer, now);
    }

    void Send(Peer& peer, Clock::time_point now) {
        std::size_t want = peer.out.size() - peer.sent;
        if (peer.role == Role::Slow) {
            if (now < peer.wakeAt) {
                return;
            }
            want = 1;
            peer.wakeAt = now + Ms(mPlan.slowByteMs);
        }
        ssize_t n = ::send(peer.fd, peer.out.data() + peer.sent, want, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                return;
            }
            fail(peer, "closed while sending", now);
            return;
        }
        peer.sent += static_cast<std::size_t>(n);
        if (peer.sent < peer.out.size()) {
            return;
        }
        switch (peer.role) {
            case Role::Vanish:
                ++mReport.vanished;
                restart(peer, now);
                break;
            case Role::Oversized:
                ++mReport.oversizedSent;
                peer.stage = Stage::Draining;
                break;
            default:
                peer.stage = Stage::Receiving;
                break;
        }
    }

    void receive(Peer& peer, Clock::time_point now) {
        char buffer[16384];
        ssize_t n = ::recv(peer.fd, buffer, sizeof buffer, 0);
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return;
        }
        if (n <= 0) {
            fail(peer, "closed before the reply", now);
            return;
        }
        peer.in.append(buffer, static_cast<std::size_t>(n));
        while (peer.in.size() >= 16) {
            std::int32_t length = 0;
            std::int32_t type = 0;
            try {
                if (checkDigit(std::string_view(peer.in).substr(0, 10)) != peer.in.substr(10, 1)) {
                    throw std::runtime_error("check digit");
                }
                length = parseInt32(std::string_view(peer.in).substr(0, 10), false);
                type = parseInt32(std::string_view(peer.in).substr(11, 5), false);
            } catch (const std::exception&) {
                fail(peer, "malformed header", now);
                return;
            }
            if (peer.in.size() < 16 + static_cast<std::size_t>(length)) {
                return;
            }
            std::string body = peer.in.substr(16, static_cast<std::size_t>(length));
            peer.in.erase(0, 16 + static_cast<std::size_t>(length));
            // The hostile ones keep the connection open past their part: until the server
            // closes it.
            if (peer.role == Role::Lingering && type == static_cast<int>(MessageType::Reply)) {
                ++mReport.lingeringReplies;
                peer.stage = Stage::Held;
                return;
            }
            if (peer.role == Role::NoAck && type == static_cast<int>(MessageType::File)) {
                ++mReport.noAckFiles;
                peer.stage = Stage::Held;
                return;
            }
            if (type == static_cast<int>(MessageType::File) && peer.capture && length >= 780) {
                mReport.captureBytes += length - 780;
                const std::string ack = makeHeader(0, MessageType::Answer);
                if (::send(peer.fd, ack.data(), ack.size(), MSG_NOSIGNAL) !=
                    static_cast<ssize_t>(ack.size())) {
                    fail(peer, "closed before the acknowledgement", now);
                    return;
                }
                continue;
            }
            if (type == 9) {
                replied(peer, body, now);
                return;
            }
            fail(peer, "unexpected message type " + std::to_string(type), now);
            return;
        }
    }

    void replied(Peer& peer, const std::string& body, Clock::time_point now) {
        const std::string expected = peer.capture ? "103\t1" : "101\t1";
        if (body != expected) {
            fail(peer, "wrong reply", now);
            return;
        }
        if (peer.role == Role::FreshKey) {
            ++mReport.freshKeysAnswered;
            close(peer);
            peer.stage = Stage::Waiting;
            peer.wakeAt = peer.start + Ms(mPlan.freshKeyMs);
            return;
        }
        if (peer.role == Role::Slow) {
            ++mReport.slowCompleted;
        } else {
            ++mReport.completed;
            mReport.latenciesMs.push_back(msSince(peer.start, now));
            ++mFinished;
        }
        close(peer);
        peer.stage = Stage::Waiting;
        peer.wakeAt = now;
    }

    void drain(Peer& peer, Clock::time_point now) {
        char buffer[4096];
        ssize_t n = ::recv(peer.fd, buffer, sizeof buffer, 0);
        if (n > 0 || (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))) {
            return;
        }
        if (peer.role == Role::Oversized) {
            ++mReport.oversizedClosed;
            restart(peer, now);
            return;
        }
        if (peer.role == Role::Lingering || peer.role == Role::NoAck) {
            ++(peer.role == Role::Lingering ? mReport.lingeringClosed : mReport.noAckClosed);
            restart(peer, now);
            return;
        }
        if (mReport.silentClosedByServer++ == 0) {
            mReport.silentFirstCloseSeconds = std::chrono::duration<double>(now - mStart).count();
        }
        close(peer);
        peer.stage = Stage::Done;
    }

    void fail(Peer& peer, const std::string& reason, Clock::time_point now) {
        if (peer.role == Role::Honest) {
            ++mReport.errors[reason];
            ++mFinished;
        } else if (peer.role == Role::Slow) {
            ++mReport.slowErrors[reason];
        }
        restart(peer, now);
    }

    // Closes and tries again after a pause (an honest phone's next request starts at once).
    void restart(Peer& peer, Clock::time_point now) {
        close(peer);
        peer.stage = Stage::Waiting;
        peer.wakeAt = peer.role == Role::Honest     ? now
                      : peer.role == Role::FreshKey ? now + Ms(mPlan.freshKeyMs)
                                                    : now + kRetryPause;
    }

    static void close(Peer& peer) {
        if (peer.fd >= 0) {
            ::close(peer.fd);
            peer.fd = -1;
        }
    }

    const LoadPlan& mPlan;
    Clock::time_point mStart;
    std::vector<Peer> mPeers;
    LoadReport mReport;
    long mStarted = 0;
    long mFinished = 0;
};

}  // namespace

LoadReport runLoad(const LoadPlan& plan, const std::function<void(double)>& tick) {
    return LoadRun(plan).run(tick);
}

double percentile(std::vector<double> values, double percent) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    auto rank = static_cast<std::size_t>(std::ceil(percent / 100.0 * values.size()));
    return values[std::clamp<std::size_t>(rank, 1, values.size()) - 1];
}

}  // namespace korvane
