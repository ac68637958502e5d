#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace korvane::test {

// A program the test starts, talks to line by line over its stdin and stdout, and ends.
class ChildProcess {
  public:
    // `environment` entries ("NAME=value") are added to the test's own, replacing those of the
    // same name.
    ChildProcess(const std::vector<std::string>& argv,
                 const std::vector<std::string>& environment = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return mPid; }
    // Sends SIGTERM and waits until the child has ended.
    void terminate();
    void writeLine(const std::string& line);
    // One line without its newline; empty when the child closed its output or took longer
    // than `timeoutMs`.
    std::string readLine(int timeoutMs = 10000);

  private:
    pid_t mPid = -1;
    int mIn = -1;
    int mOut = -1;
    std::string mBuffer;
};

}  // namespace korvane::test
