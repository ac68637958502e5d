#include "tests/handling/HandlerHarness.h"

#include <stdexcept>
#include <thread>

#include "platform/ProcessId.h"
#include "tests/support/Loopback.h"

namespace korvane::test {

constexpr std::size_t kStampLength = 21;  // "[yyyy/mm/dd hh:nn:ss]"

void FakeWindow::InsertLogLine(const std::string& line) {
    std::lock_guard lock(mLock);
    mLines.push_back(line);
}

void FakeWindow::SetStoppedState(const std::string& caption) {
    std::lock_guard lock(mLock);
    mStopped.push_back(caption);
}

void FakeWindow::ShowError(const std::string& text) {
    throw std::logic_error("unexpected error box: " + text);
}

std::vector<std::string> FakeWindow::Lines() {
    std::lock_guard lock(mLock);
    return mLines;
}

std::vector<std::string> FakeWindow::LinesOf(const std::string& source) {
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

std::vector<std::string> FakeWindow::WaitForLines(const std::string& source, std::size_t count,
                                                  std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    std::vector<std::string> lines = LinesOf(source);
    while (lines.size() < count && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        lines = LinesOf(source);
    }
    return lines;
}

std::vector<std::string> FakeWindow::StoppedCaptions() {
    std::lock_guard lock(mLock);
    return mStopped;
}

namespace {

std::filesystem::path MakeTempDir() {
    static int counter = 0;
    auto dir = std::filesystem::temp_directory_path() /
               ("korvane-handling-" + std::to_string(currentProcessId()) + "-" +
                std::to_string(++counter));
    std::filesystem::create_directories(dir);
    return dir;
}

}  // namespace

HandlerHarness::HandlerHarness()
    : mDir(MakeTempDir()),
      mCaptureFile((mDir / "korvane-server.png").string()),
      handler(desktop, window, window, window, mCaptureFile),
      server([this](TSSChild* handle, std::uint8_t kind, std::int32_t serial, std::string ip,
                    std::string key, std::string data, std::string error) {
          handler.ServerEventProc(handle, kind, serial, ip, key, data, error);
      }) {
    handler.SetServer(&server);
    mPort = FreePort();
    std::string error;
    if (!server.Start("127.0.0.1", mPort, error)) {
        throw std::runtime_error(error);
    }
    if (window.WaitForLines("Server", 1).empty()) {
        throw std::runtime_error("the server did not start");
    }
}

HandlerHarness::~HandlerHarness() {
    server.Stop();
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (window.StoppedCaptions().empty() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::filesystem::remove_all(mDir);
}

}  // namespace korvane::test
