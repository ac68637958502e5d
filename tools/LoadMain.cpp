// korvane-load: drives the real request server over 127.0.0.1 with honest phones and hostile
// peers, and reports throughput, latency, errors and what the server process holds.
//
// The server (request server + request handling + a canned desktop) runs in a child process, so
// that its RSS and thread count are its own. Every count and the run's time are bounded.
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "platform/ProgramVersion.h"
#include "platform/Trace.h"
#include "tools/HostedServer.h"
#include "tools/LoadPhones.h"
#include "tools/ProcessStats.h"

namespace {

using namespace korvane;

constexpr char kUsage[] =
    "usage: korvane-load [--phones N] [--requests N] [--captures PERCENT] [--slow N]\n"
    "                    [--slow-byte-ms MS] [--vanish N] [--oversized N] [--silent N]\n"
    "                    [--lingering N] [--no-ack N] [--fresh-key-ms MS] [--fresh-keys N]\n"
    "                    [--hold SECONDS] [--time-limit SECONDS] [--settle SECONDS]\n"
    "                    [--port PORT [--pid PID]]\n"
    "       korvane-load --help | --version\n"
    "Hosts the server on 127.0.0.1 in a child process and drives it; all counts bounded.\n"
    "--fresh-key-ms adds a stranger sending a settings check under a fresh client key every MS\n"
    "milliseconds (at most --fresh-keys of them). --port drives a server already listening on\n"
    "127.0.0.1 instead (korvane-host, korvane-server), whose process --pid names for its "
    "figures.\n";

struct Options {
    LoadPlan plan;
    double settleSeconds = 2;
    int port = 0;  // a server of its own when 0
    pid_t pid = 0;
};

bool parseOptions(int argc, char** argv, Options& options) {
    LoadPlan& plan = options.plan;
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        if (name == "--help" || name == "--version") {
            std::fputs(name == "--help" ? kUsage : versionLine("korvane-load").c_str(), stdout);
            std::exit(0);
        }
        if (i + 1 >= argc) {
            return false;
        }
        char* end = nullptr;
        double value = std::strtod(argv[++i], &end);
        if (*end != '\0' || value < 0) {
            return false;
        }
        auto count = static_cast<int>(std::min(value, 100000.0));
        if (name == "--phones") {
            plan.phones = count;
        } else if (name == "--requests") {
            plan.requests = static_cast<long>(std::min(value, 10000000.0));
        } else if (name == "--captures") {
            plan.capturePercent = std::min(count, 100);
        } else if (name == "--slow") {
            plan.slow = count;
        } else if (name == "--slow-byte-ms") {
            plan.slowByteMs = count;
        } else if (name == "--vanish") {
            plan.vanish = count;
        } else if (name == "--oversized") {
            plan.oversized = count;
        } else if (name == "--silent") {
            plan.silent = count;
        } else if (name == "--lingering") {
            plan.lingering = count;
        } else if (name == "--no-ack") {
            plan.noAck = count;
        } else if (name == "--fresh-key-ms") {
            plan.freshKeyMs = count;
        } else if (name == "--fresh-keys") {
            plan.freshKeys = static_cast<long>(std::min(value, 10000000.0));
        } else if (name == "--port") {
            options.port = std::min(count, 65535);
        } else if (name == "--pid") {
            options.pid = static_cast<pid_t>(value);
        } else if (name == "--hold") {
            plan.holdSeconds = value;
        } else if (name == "--time-limit") {
            plan.timeLimitSeconds = std::min(value, 3600.0);
        } else if (name == "--settle") {
            options.settleSeconds = std::min(value, 60.0);
        } else {
            return false;
        }
    }
    return true;
}

// What the child reports when it ends.
struct ServerSide {
    long clientErrors = 0;
    long logLines = 0;
    long captures = 0;
    double stopSeconds = 0;
};

// The child: host the server, tell the parent the port, serve until the parent closes its pipe.
[[noreturn]] void serveInChild(int toParent, int fromParent) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    setTraceSink([](const std::string&) {});
    int status = 0;
    try {
        HostedServer host;
        std::string port = std::to_string(host.port()) + "\n";
        if (::write(toParent, port.data(), port.size()) < 0) {
            ::_exit(1);
        }
        char byte;
        while (::read(fromParent, &byte, 1) > 0) {
        }
        double stop = host.stopAndWait();
        std::string tail = std::to_string(host.clientErrors()) + " " +
                           std::to_string(host.window.logLines.load()) + " " +
                           std::to_string(host.desktop.captures()) + " " + std::to_string(stop) +
                           "\n";
        if (::write(toParent, tail.data(), tail.size()) < 0) {
            status = 1;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "korvane-load: server: %s\n", e.what());
        status = 1;
    }
    ::_exit(status);
}

std::string readLine(int fd) {
    std::string line;
    char c;
    while (::read(fd, &c, 1) == 1 && c != '\n') {
        line += c;
    }
    return line;
}

void printStats(const char* when, const ProcessStats& s) {
    std::printf("  server %-7s RSS %7.1f MiB  threads %5ld  open files %5ld  cpu %6.2f s\n", when,
                static_cast<double>(s.rssKiB) / 1024.0, s.threads, s.openFiles, s.cpuSeconds);
}

void printCounts(const char* label, const std::map<std::string, long>& counts) {
    for (const auto& [reason, count] : counts) {
        std::printf("  %s: %s: %ld\n", label, reason.c_str(), count);
    }
}

// What the phones met: the honest ones' throughput and latency, then each hostile kind's count.
void printReport(const LoadPlan& plan, const LoadReport& report, long errors) {
    std::printf(
        "phones %d  requests %ld (captures %d%%)  slow %d  vanish %d  oversized %d  "
        "silent %d  lingering %d  no-ack %d\n",
        plan.phones, plan.requests, plan.capturePercent, plan.slow, plan.vanish, plan.oversized,
        plan.silent, plan.lingering, plan.noAck);
    std::printf(
        "  honest: %ld ok, %ld errors in %.2f s: %.0f requests/s, latency p50 %.2f ms, "
        "p99 %.2f ms, max %.2f ms%s\n",
        report.completed, errors, report.seconds,
        report.seconds > 0 ? static_cast<double>(report.completed) / report.seconds : 0.0,
        percentile(report.latenciesMs, 50), percentile(report.latenciesMs, 99),
        percentile(report.latenciesMs, 100), report.timedOut ? "  (TIME LIMIT)" : "");
    printCounts("honest error", report.errors);
    if (report.captureBytes > 0) {
        std::printf("  capture bytes received: %ld\n", report.captureBytes);
    }
    if (plan.slow > 0) {
        std::printf("  slow senders: %ld replies\n", report.slowCompleted);
        printCounts("slow error", report.slowErrors);
    }
    if (plan.vanish > 0) {
        std::printf("  vanished mid-body: %ld\n", report.vanished);
    }
    if (plan.oversized > 0) {
        std::printf("  oversized lengths: %ld sent, %ld closed by the server within 5 s\n",
                    report.oversizedSent, report.oversizedClosed);
    }
    if (plan.lingering > 0) {
        std::printf("  never closing after the reply: %ld replies, %ld closed by the server\n",
                    report.lingeringReplies, report.lingeringClosed);
    }
    if (plan.noAck > 0) {
        std::printf("  never acknowledging a capture: %ld files, %ld closed by the server\n",
                    report.noAckFiles, report.noAckClosed);
    }
    if (plan.freshKeyMs > 0) {
        std::printf("  fresh keys: %ld settings checks sent, %ld answered\n", report.freshKeysSent,
                    report.freshKeysAnswered);
    }
    if (plan.silent > 0) {
        std::printf("  silent connections: %ld connected, %ld closed by the server",
                    report.silentConnected, report.silentClosedByServer);
        if (report.silentClosedByServer > 0) {
            std::printf(" (first after %.1f s)", report.silentFirstCloseSeconds);
        }
        std::printf("\n");
    }
}

// What the run and the server's process showed.
struct Measured {
    LoadReport report;
    ProcessStats before;
    ProcessStats peak;
    ProcessStats after;
};

Measured measure(const LoadPlan& plan, pid_t server, double settleSeconds) {
    Measured m;
    m.before = readProcessStats(server);
    m.report = runLoad(plan, [&](double) {
        ProcessStats now = readProcessStats(server);
        m.peak.rssKiB = std::max(m.peak.rssKiB, now.rssKiB);
        m.peak.threads = std::max(m.peak.threads, now.threads);
        m.peak.openFiles = std::max(m.peak.openFiles, now.openFiles);
        m.peak.cpuSeconds = now.cpuSeconds;
    });
    std::this_thread::sleep_for(std::chrono::duration<double>(settleSeconds));
    m.after = readProcessStats(server);
    return m;
}

// Prints the run; true when no honest conversation failed and the run ended in time.
bool printMeasured(const LoadPlan& plan, const Measured& m) {
    long errors = 0;
    for (const auto& [reason, count] : m.report.errors) {
        errors += count;
    }
    printReport(plan, m.report, errors);
    printStats("before", m.before);
    printStats("peak", m.peak);
    printStats("after", m.after);
    return errors == 0 && !m.report.timedOut;
}

// Drives a server that listens already, and reads the figures of its process when named.
int driveRunningServer(Options& options) {
    options.plan.port = static_cast<std::uint16_t>(options.port);
    const pid_t server = options.pid > 0 ? options.pid : ::getpid();
    if (options.pid <= 0) {
        std::printf("(no --pid: the figures below are korvane-load's own)\n");
    }
    return printMeasured(options.plan, measure(options.plan, server, options.settleSeconds)) ? 0
                                                                                             : 1;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseOptions(argc, argv, options)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (options.port > 0) {
        return driveRunningServer(options);
    }
    int up[2];
    int down[2];
    if (::pipe(up) != 0 || ::pipe(down) != 0) {
        std::perror("pipe");
        return 1;
    }
    pid_t child = ::fork();
    if (child < 0) {
        std::perror("fork");
        return 1;
    }
    if (child == 0) {
        ::close(up[0]);
        ::close(down[1]);
        serveInChild(up[1], down[0]);
    }
    ::close(up[1]);
    ::close(down[0]);
    std::string port = readLine(up[0]);
    if (port.empty()) {
        std::fputs("korvane-load: the server did not start\n", stderr);
        ::waitpid(child, nullptr, 0);
        return 1;
    }
    LoadPlan& plan = options.plan;
    plan.port = static_cast<std::uint16_t>(std::stoi(port));
    const Measured measured = measure(plan, child, options.settleSeconds);

    ::close(down[1]);
    ServerSide server;
    std::sscanf(readLine(up[0]).c_str(), "%ld %ld %ld %lf", &server.clientErrors, &server.logLines,
                &server.captures, &server.stopSeconds);
    int status = 0;
    ::waitpid(child, &status, 0);

    const bool fine = printMeasured(plan, measured);
    std::printf("  server side: %ld client errors, %ld log lines, %ld captures, stop took %.2f s\n",
                server.clientErrors, server.logLines, server.captures, server.stopSeconds);
    bool healthy = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (!healthy) {
        std::printf("  the server process did not end cleanly (status %d)\n", status);
    }
    return healthy && fine ? 0 : 1;
}
