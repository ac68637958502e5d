#include "tests/desktop/ChildProcess.h"

#include <string_view>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

extern char** environ;

namespace korvane::test {

ChildProcess::ChildProcess(const std::vector<std::string>& argv,
                           const std::vector<std::string>& environment) {
    int in[2];
    int out[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe");
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    std::vector<char*> env;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string_view inherited(*entry);
        const std::string_view name = inherited.substr(0, inherited.find('=') + 1);
        bool replaced = false;
        for (const std::string& given : environment) {
            replaced = replaced || given.compare(0, name.size(), name) == 0;
        }
        if (!replaced) {
            env.push_back(*entry);
        }
    }
    for (const std::string& entry : environment) {
        env.push_back(const_cast<char*>(entry.c_str()));
    }
    env.push_back(nullptr);
    const int rc = posix_spawnp(&mPid, args[0], &actions, nullptr, args.data(), env.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    mIn = in[1];
    mOut = out[0];
    if (rc != 0) {
        throw std::runtime_error("cannot start " + argv[0]);
    }
}

ChildProcess::~ChildProcess() {
    ::close(mIn);
    ::close(mOut);
    if (mPid <= 0) {
        return;
    }
    // Closing stdin asks the child to end; one that does not is ended.
    for (int i = 0; i < 50; ++i) {
        if (::waitpid(mPid, nullptr, WNOHANG) == mPid) {
            return;
        }
        ::usleep(20000);
    }
    ::kill(mPid, SIGKILL);
    ::waitpid(mPid, nullptr, 0);
}

void ChildProcess::terminate() {
    ::kill(mPid, SIGTERM);
    ::waitpid(mPid, nullptr, 0);
    mPid = -1;
}

void ChildProcess::writeLine(const std::string& line) {
    const std::string data = line + "\n";
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(mIn, data.data() + done, data.size() - done);
        if (n <= 0) {
            return;
        }
        done += static_cast<std::size_t>(n);
    }
}

std::string ChildProcess::readLine(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (const auto end = mBuffer.find('\n'); end != std::string::npos) {
            std::string line = mBuffer.substr(0, end);
            mBuffer.erase(0, end + 1);
            return line;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        pollfd fd{mOut, POLLIN, 0};
        if (left <= 0 || ::poll(&fd, 1, static_cast<int>(left)) <= 0) {
            return {};
        }
        char chunk[4096];
        const ssize_t n = ::read(mOut, chunk, sizeof chunk);
        if (n <= 0) {
            return {};
        }
        mBuffer.append(chunk, static_cast<std::size_t>(n));
    }
}

}  // namespace korvane::test
