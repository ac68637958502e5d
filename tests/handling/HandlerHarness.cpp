#include "tests/handling/HandlerHarness.h"

#include <stdexcept>
#include <thread>

#include "platform/ProcessId.h"
#include "tests/support/Loopback.h"

namespace korvane::test {

constexpr std::size_t kStampLength = 21;  // "[yyyy/mm/dd hh:nn:ss]"

void FakeWindow::insertLogLine(const std::string& line) {
    std::lock_guard lock(mLock);
    mLines.push_back(line);
}

void FakeWindow::listenerStopped() {
    std::lock_guard lock(mLock);
    ++mStopped;
}

void FakeWindow::showError(const std::string& text) {
    throw std::logic_error("unexpected error box: " + text);
}

std::vector<std::string> FakeWindow::Lines() {
    std::lock_guard lock(mLock);
    return mLines;
}

std::vector<std::string> FakeWindow::linesOf(const std::string& source) {
    std::vector<std::string> found;
    const std::string prefix = "[" + source + "]";
    for (const auto& line : Lines()) {
        std::string text = line.substr(kStampLength);
        if (text.compare(0, prefix.size(), prefix) == 0) {
            found.push_back(text);
        }
    }
    return found;
}

std::vector<std::string> FakeWindow::waitForLines(const std::string& source, std::size_t count,
                                                  std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    std::vector<std::string> lines = linesOf(source);
    while (lines.size() < count && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        lines = linesOf(source);
    }
    return lines;
}

void FakePrompt::ask(const std::string& clientKey, const std::string& address) {
    std::lock_guard lock(mLock);
    mQuestions.push_back(clientKey + "@" + address);
}

std::vector<std::string> FakePrompt::questions() {
    std::lock_guard lock(mLock);
    return mQuestions;
}

int FakeWindow::stoppedCount() {
    std::lock_guard lock(mLock);
    return mStopped;
}

namespace {

std::filesystem::path makeTempDir() {
    static int counter = 0;
    auto dir = std::filesystem::temp_directory_path() /
               ("korvane-handling-" + std::to_string(currentProcessId()) + "-" +
                std::to_string(++counter));
    std::filesystem::create_directories(dir);
    return dir;
}

}  // namespace

HandlerHarness::HandlerHarness(bool approvalOn)
    : approval(prompt, {}, approvalOn),
      mDir(makeTempDir()),
      mCaptureFile((mDir / "korvane-server.png").string()),
      handler(desktop, window, window, mCaptureFile, &approval),
      server(handler.hooks()) {
    mPort = freePort();
    if (auto failure = server.start("127.0.0.1", mPort)) {
        throw std::runtime_error(*failure);
    }
    if (window.waitForLines("Server", 1).empty()) {
        throw std::runtime_error("the server did not start");
    }
}

HandlerHarness::~HandlerHarness() {
    server.stop();
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (window.stoppedCount() == 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::filesystem::remove_all(mDir);
}

}  // namespace korvane::test
