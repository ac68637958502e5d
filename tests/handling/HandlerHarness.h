#pragma once

#include <chrono>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "handling/RequestHandler.h"
#include "handling/WindowPorts.h"
#include "server/RequestServer.h"
#include "tests/handling/FakeDesktop.h"

namespace korvane::test {

// The window's side as request handling sees it: a log list, the stopped state, error boxes.
class FakeWindow : public LogView, public ListenerView, public MessageBoxes {
  public:
    void insertLogLine(const std::string& line) override;
    void listenerStopped() override;
    void showError(const std::string& text) override;

    // Log lines, oldest first, whole.
    std::vector<std::string> Lines();
    // Log lines whose source is `source`, oldest first, without the time stamp.
    std::vector<std::string> linesOf(const std::string& source);
    // Waits until `source` has `count` lines, then gives them.
    std::vector<std::string> waitForLines(
        const std::string& source, std::size_t count,
        std::chrono::milliseconds timeout = std::chrono::seconds(15));
    // How many times the window was told that listening ended.
    int stoppedCount();

  private:
    std::mutex mLock;
    std::vector<std::string> mLines;
    int mStopped = 0;
};

// The real server and request handling on 127.0.0.1 with the scripted desktop.
class HandlerHarness {
  public:
    HandlerHarness();
    ~HandlerHarness();

    std::uint16_t port() const { return mPort; }
    const std::string& captureFile() const { return mCaptureFile; }

    FakeDesktop desktop;
    FakeWindow window;

  private:
    std::filesystem::path mDir;
    std::string mCaptureFile;

  public:
    RequestHandler handler;
    RequestServer server;

  private:
    std::uint16_t mPort = 0;
};

}  // namespace korvane::test
