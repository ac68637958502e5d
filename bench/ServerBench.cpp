// The request server as a whole, next to a minimal poll() server that answers the same framed
// 101 request: round trips one at a time and with concurrent phones (reported as a ratio), the
// time Stop takes with no connection, and what a listening server costs while nobody connects.
// Run by hand:  build/default/bench/bench_server [idle seconds, default 10]
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/ReferenceServer.h"
#include "platform/Trace.h"
#include "tools/HostedServer.h"
#include "tools/LoadPhones.h"
#include "tools/PhoneClient.h"
#include "tools/ProcessStats.h"

namespace {

using namespace korvane;
using Clock = std::chrono::steady_clock;

constexpr int kSequentialRounds = 2000;
constexpr long kConcurrentRequests = 4000;
constexpr int kConcurrentPhones = 16;
constexpr int kStopRounds = 8;

struct Figures {
    double p50Ms;
    double p99Ms;
    double perSecond;
};

// One phone after the other: connect, 101, reply, close.
Figures sequential(std::uint16_t port) {
    std::vector<double> ms;
    auto start = Clock::now();
    for (int i = 0; i < kSequentialRounds; ++i) {
        auto begin = Clock::now();
        phone::Outcome outcome = phone::converse("127.0.0.1", port, "BENCH", "101", true, 10000);
        if (outcome.reply != "101\t1") {
            std::fprintf(stderr, "bench_server: no reply: %s\n", outcome.error.c_str());
            std::exit(1);
        }
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - begin).count());
    }
    double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return {percentile(ms, 50), percentile(ms, 99), kSequentialRounds / seconds};
}

Figures concurrent(std::uint16_t port) {
    LoadPlan plan;
    plan.port = port;
    plan.phones = kConcurrentPhones;
    plan.requests = kConcurrentRequests;
    LoadReport report = runLoad(plan, [](double) {});
    if (report.completed != kConcurrentRequests) {
        std::fprintf(stderr, "bench_server: %ld of %ld concurrent requests failed\n",
                     kConcurrentRequests - report.completed, kConcurrentRequests);
        std::exit(1);
    }
    return {percentile(report.latenciesMs, 50), percentile(report.latenciesMs, 99),
            report.completed / report.seconds};
}

void printPair(const char* what, const Figures& server, const Figures& reference) {
    std::printf("%s\n", what);
    std::printf("  %-18s p50 %7.3f ms  p99 %7.3f ms  %8.0f requests/s\n", "request server",
                server.p50Ms, server.p99Ms, server.perSecond);
    std::printf("  %-18s p50 %7.3f ms  p99 %7.3f ms  %8.0f requests/s\n", "poll() reference",
                reference.p50Ms, reference.p99Ms, reference.perSecond);
    std::printf("  ratio server/reference: p50 latency %.2f, throughput %.2f\n",
                server.p50Ms / reference.p50Ms, server.perSecond / reference.perSecond);
}

void roundTrips() {
    HostedServer server;
    ReferenceServer reference;
    // Warm both up, then measure each in turn.
    sequential(server.port());
    sequential(reference.port());
    Figures s1 = sequential(server.port());
    Figures r1 = sequential(reference.port());
    printPair("101 round trip, one phone at a time:", s1, r1);
    Figures s2 = concurrent(server.port());
    Figures r2 = concurrent(reference.port());
    printPair("101 round trips, 16 phones at once:", s2, r2);
}

void stopLatency() {
    std::vector<double> seconds;
    for (int i = 0; i < kStopRounds; ++i) {
        HostedServer server;
        // Stop at different points of the listener's one-second wait.
        std::this_thread::sleep_for(std::chrono::milliseconds(i * 1000 / kStopRounds));
        seconds.push_back(server.stopAndWait());
    }
    std::sort(seconds.begin(), seconds.end());
    std::printf("stop with no connection (%d runs): min %.3f s  median %.3f s  max %.3f s\n",
                kStopRounds, seconds.front(), percentile(seconds, 50), seconds.back());
}

// Context switches of every thread but this one: each time a server thread went to sleep or was
// taken off the processor counts once.
long threadWakeups() {
    long total = 0;
    const std::string self = std::to_string(::getpid());
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        if (task.path().filename() == self) {
            continue;
        }
        std::ifstream status(task.path() / "status");
        std::string line;
        while (std::getline(status, line)) {
            if (line.find("ctxt_switches:") != std::string::npos) {
                total += std::stol(line.substr(line.find(':') + 1));
            }
        }
    }
    return total;
}

// What the listener's threads do while nobody connects: this thread sleeps meanwhile, so the
// process's CPU time and wake-ups are the server's.
void idleCost(int idleSeconds) {
    HostedServer server;
    std::this_thread::sleep_for(std::chrono::seconds(1));
    ProcessStats before = readProcessStats(::getpid());
    long wakeBefore = threadWakeups();
    std::this_thread::sleep_for(std::chrono::seconds(idleSeconds));
    ProcessStats after = readProcessStats(::getpid());
    long wakeups = threadWakeups() - wakeBefore;
    std::printf(
        "idle listening server over %d s: cpu %.3f s (%.2f%% of one core), %.1f wake-ups/s "
        "across its %ld threads\n",
        idleSeconds, after.cpuSeconds - before.cpuSeconds,
        100.0 * (after.cpuSeconds - before.cpuSeconds) / idleSeconds,
        static_cast<double>(wakeups) / idleSeconds, after.threads - 1);
}

}  // namespace

int main(int argc, char** argv) {
    int idleSeconds = argc > 1 ? std::clamp(std::atoi(argv[1]), 1, 120) : 10;
    setTraceSink([](const std::string&) {});
    roundTrips();
    stopLatency();
    idleCost(idleSeconds);
    return 0;
}
