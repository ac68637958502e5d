// The real program (korvane-server with its window, on the X display of $DISPLAY) and the console
// host (korvane-host, log lines to a file) side by side with the
// reference poll() server, each in a process of its own, at 1, 16 and 64 phones at once: each
// phone makes one settings check (101) per connection, as the phone app does. Prints requests/s,
// p50/p99 latency and the ratios to the reference, and the kernel's count of listen queue
// overflows and retransmitted segments during each run (a dropped connection attempt costs a
// TCP retry of a second or more).
//
// Run by hand, under a private X server:
//   xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" build/default/bench/bench_side_by_side
// Options: --requests-scale X (default 1) multiplies every run's requests; --program PATH and
// --host PATH run other builds of korvane-server and korvane-host; --no-program leaves the window
// program out (no display needed); --phones N measures only the row of N phones (for a profiler).
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "bench/ReferenceServer.h"
#include "platform/Socket.h"
#include "platform/Trace.h"
#include "tools/HostedServer.h"
#include "tools/LoadPhones.h"

namespace {

using namespace korvane;
namespace fs = std::filesystem;

struct Row {
    int phones;
    long requests;
};
// About a second a run at each load on a 2-core machine: a shorter run leaves p99 to a few
// stray wake-ups.
constexpr Row kRows[] = {{1, 12000}, {16, 40000}, {64, 40000}};

struct Figures {
    bool ok = false;
    double perSecond = 0;
    double p50Ms = 0;
    double p99Ms = 0;
    long listenDrops = 0;
    long retransmits = 0;
    std::string failure;
};

// A named counter from a /proc/net file of header/value line pairs ("TcpExt: ..." twice).
long kernelCounter(const char* file, const std::string& group, const std::string& name) {
    std::ifstream in(file);
    std::string header;
    std::string values;
    while (std::getline(in, header) && std::getline(in, values)) {
        std::istringstream names(header);
        std::istringstream numbers(values);
        std::string key;
        std::string value;
        names >> key;
        numbers >> value;
        if (key != group + ":") {
            continue;
        }
        while (names >> key && numbers >> value) {
            if (key == name) {
                return std::stol(value);
            }
        }
    }
    return 0;
}

long listenDrops() {
    return kernelCounter("/proc/net/netstat", "TcpExt", "ListenOverflows") +
           kernelCounter("/proc/net/netstat", "TcpExt", "ListenDrops");
}

long retransmits() {
    return kernelCounter("/proc/net/snmp", "Tcp", "RetransSegs");
}

// A server in a child process that ends when the parent closes the pipe (or dies).
class ChildServer {
  public:
    // `serve` runs in the child: it listens, writes its port to the fd it is given, and returns
    // when reading the other fd gives end of file.
    explicit ChildServer(const std::function<void(int toParent, int fromParent)>& serve) {
        int up[2];
        int down[2];
        if (::pipe(up) != 0 || ::pipe(down) != 0) {
            throw std::runtime_error("pipe");
        }
        mPid = ::fork();
        if (mPid == 0) {
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            ::close(up[0]);
            ::close(down[1]);
            serve(up[1], down[0]);
            ::_exit(0);
        }
        ::close(up[1]);
        ::close(down[0]);
        mToChild = down[1];
        char text[16] = {};
        ssize_t n = ::read(up[0], text, sizeof text - 1);
        ::close(up[0]);
        mPort = n > 0 ? static_cast<std::uint16_t>(std::atoi(text)) : 0;
        if (mPort == 0) {
            throw std::runtime_error("the child server did not start");
        }
    }
    ~ChildServer() {
        ::close(mToChild);
        int status = 0;
        ::waitpid(mPid, &status, 0);
    }
    std::uint16_t port() const { return mPort; }

  private:
    pid_t mPid = -1;
    int mToChild = -1;
    std::uint16_t mPort = 0;
};

void writePort(int fd, std::uint16_t port) {
    std::string text = std::to_string(port) + "\n";
    if (::write(fd, text.data(), text.size()) < 0) {
        ::_exit(1);
    }
}

void waitForParent(int fd) {
    char byte;
    while (::read(fd, &byte, 1) > 0) {
    }
}

void serveReference(int toParent, int fromParent) {
    ReferenceServer reference;
    writePort(toParent, reference.port());
    waitForParent(fromParent);
}

// A program of this project run from a folder of its own, listening on 127.0.0.1 at a free port:
// its settings file, lock, capture file and standard output go to that folder.
class ProgramProcess {
  public:
    // `arguments` come after the program's name; "{port}" and "{dir}" in them are filled in.
    ProgramProcess(const std::string& name, const fs::path& program,
                   std::vector<std::string> arguments) {
        mDir = fs::temp_directory_path() /
               ("korvane-bench-" + name + "-" + std::to_string(::getpid()));
        // The session's runtime folder is the user's alone, as the programs' lock requires.
        fs::create_directories(mDir / "run");
        fs::permissions(mDir / "run", fs::perms::owner_all);
        fs::copy_file(program, mDir / program.filename(), fs::copy_options::overwrite_existing);
        mPort = freeLoopbackPort();
        std::ofstream ini(mDir / "korvane-server.ini");
        ini << "[Setting]\nIpAddress=127.0.0.1\nPortNo=" << mPort << "\nAutoStart=1\n";
        ini.close();
        for (std::string& argument : arguments) {
            replaceAll(argument, "{port}", std::to_string(mPort));
            replaceAll(argument, "{dir}", mDir.string());
        }
        const std::string path = (mDir / program.filename()).string();
        const std::string output = (mDir / "output.txt").string();
        mPid = ::fork();
        if (mPid == 0) {
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            ::setenv("XDG_RUNTIME_DIR", (mDir / "run").c_str(), 1);
            // The log lines go to a file, as they would to a journal; a terminal would be
            // measured instead of the program.
            if (!::freopen(output.c_str(), "w", stdout)) {
                ::_exit(126);
            }
            if (!std::getenv("KORVANE_TRACE")) {
                ::freopen("/dev/null", "w", stderr);
            }
            std::vector<char*> argv{const_cast<char*>(path.c_str())};
            for (std::string& argument : arguments) {
                argv.push_back(argument.data());
            }
            argv.push_back(nullptr);
            ::execv(path.c_str(), argv.data());
            ::_exit(127);
        }
        // The window program's splash window stays three seconds before it starts listening.
        for (int i = 0; i < 300; ++i) {
            net::SocketHandle probe = net::connectIPv4("127.0.0.1", mPort);
            if (probe != net::kNoSocket) {
                net::closeSocket(probe);
                return;
            }
            int status = 0;
            if (::waitpid(mPid, &status, WNOHANG) == mPid) {
                mPid = -1;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        throw std::runtime_error(name + " did not listen on 127.0.0.1 within 30 s");
    }
    ~ProgramProcess() {
        if (mPid > 0) {
            ::kill(mPid, SIGKILL);
            int status = 0;
            ::waitpid(mPid, &status, 0);
        }
        std::error_code ignored;
        fs::remove_all(mDir, ignored);
    }
    ProgramProcess(const ProgramProcess&) = delete;
    ProgramProcess& operator=(const ProgramProcess&) = delete;
    std::uint16_t port() const { return mPort; }

  private:
    static void replaceAll(std::string& text, const std::string& from, const std::string& to) {
        for (std::size_t at = text.find(from); at != std::string::npos;
             at = text.find(from, at + to.size())) {
            text.replace(at, from.size(), to);
        }
    }

    fs::path mDir;
    pid_t mPid = -1;
    std::uint16_t mPort = 0;
};

Figures measure(std::uint16_t port, const Row& row, double scale) {
    LoadPlan plan;
    plan.port = port;
    plan.phones = row.phones;
    // Warm-up: threads, caches, the window's first lines.
    plan.requests = row.phones * 20L;
    runLoad(plan, [](double) {});
    plan.requests = static_cast<long>(row.requests * scale);
    const long dropsBefore = listenDrops();
    const long retransmitsBefore = retransmits();
    LoadReport report = runLoad(plan, [](double) {});
    Figures figures;
    figures.listenDrops = listenDrops() - dropsBefore;
    figures.retransmits = retransmits() - retransmitsBefore;
    if (report.completed != plan.requests) {
        figures.failure = std::to_string(plan.requests - report.completed) + " failed";
        for (const auto& [reason, count] : report.errors) {
            figures.failure += ", " + reason + ": " + std::to_string(count);
        }
        return figures;
    }
    figures.ok = true;
    figures.perSecond = report.completed / report.seconds;
    figures.p50Ms = percentile(report.latenciesMs, 50);
    figures.p99Ms = percentile(report.latenciesMs, 99);
    return figures;
}

void printTable(const char* name, const std::vector<Row>& rows,
                const std::vector<Figures>& measured, const std::vector<Figures>& reference) {
    std::printf("\n%s against the reference poll() server:\n\n", name);
    std::printf(
        "| phones at once | %s req/s | reference req/s | ratio | %s p50 / p99 | reference p50 / "
        "p99 | p99 ratio | listen drops | retransmits |\n",
        name, name);
    std::printf("|---|---|---|---|---|---|---|---|---|\n");
    for (std::size_t i = 0; i < measured.size(); ++i) {
        const Figures& m = measured[i];
        const Figures& r = reference[i];
        if (!m.ok || !r.ok) {
            std::printf("| %d | %s | %s | | | | | | |\n", rows[i].phones,
                        m.ok ? "ok" : m.failure.c_str(), r.ok ? "ok" : r.failure.c_str());
            continue;
        }
        std::printf(
            "| %d | %.0f | %.0f | %.2f | %.2f / %.2f ms | %.2f / %.2f ms | %.2f | %ld | %ld |\n",
            rows[i].phones, m.perSecond, r.perSecond, m.perSecond / r.perSecond, m.p50Ms, m.p99Ms,
            r.p50Ms, r.p99Ms, m.p99Ms / r.p99Ms, m.listenDrops, m.retransmits);
    }
}

}  // namespace

int main(int argc, char** argv) {
    double scale = 1;
    bool withProgram = true;
    int onlyPhones = 0;
    std::string programPath = KORVANE_SERVER_PROGRAM;
    std::string hostPath = KORVANE_HOST_PROGRAM;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--requests-scale") == 0 && i + 1 < argc) {
            scale = std::clamp(std::atof(argv[++i]), 0.01, 100.0);
        } else if (std::strcmp(argv[i], "--program") == 0 && i + 1 < argc) {
            programPath = argv[++i];
        } else if (std::strcmp(argv[i], "--host") == 0 && i + 1 < argc) {
            hostPath = argv[++i];
        } else if (std::strcmp(argv[i], "--no-program") == 0) {
            withProgram = false;
        } else if (std::strcmp(argv[i], "--phones") == 0 && i + 1 < argc) {
            onlyPhones = std::atoi(argv[++i]);
        } else {
            std::fprintf(
                stderr,
                "usage: bench_side_by_side [--requests-scale X] [--phones N] [--host PATH] "
                "[--program PATH | --no-program]\n");
            return 2;
        }
    }
    if (withProgram && !std::getenv("DISPLAY")) {
        std::fprintf(stderr,
                     "bench_side_by_side: no DISPLAY; run it under xvfb-run, or give "
                     "--no-program\n");
        return 2;
    }
    setTraceSink([](const std::string&) {});
    std::vector<Row> rows;
    for (const Row& row : kRows) {
        if (onlyPhones == 0 || row.phones == onlyPhones) {
            rows.push_back(row);
        }
    }
    if (rows.empty()) {
        std::fprintf(stderr, "bench_side_by_side: --phones is one of 1, 16, 64\n");
        return 2;
    }
    std::vector<Figures> reference;
    std::vector<Figures> program;
    std::vector<Figures> host;
    try {
        // Each row measures the three servers one after the other, so that a burst of noise on
        // the machine falls on one row rather than on one server.
        std::optional<ProgramProcess> window;
        if (withProgram) {
            window.emplace("korvane-server", programPath, std::vector<std::string>{});
        }
        ProgramProcess hosted("korvane-host", hostPath,
                              {"--address", "127.0.0.1", "--port", "{port}", "--settings",
                               "{dir}/korvane-server.ini", "--capture", "{dir}/korvane-host.png"});
        ChildServer bare(serveReference);
        for (const Row& row : rows) {
            reference.push_back(measure(bare.port(), row, scale));
            if (window) {
                program.push_back(measure(window->port(), row, scale));
            }
            host.push_back(measure(hosted.port(), row, scale));
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_side_by_side: %s\n", e.what());
        return 1;
    }
    if (withProgram) {
        printTable("program", rows, program, reference);
    }
    printTable("console host", rows, host, reference);
    return 0;
}
