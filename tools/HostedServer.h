#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>

#include "handling/RequestHandler.h"
#include "handling/WindowPorts.h"
#include "server/RequestServer.h"
#include "tools/CannedDesktop.h"

namespace korvane {

// The window's side reduced to counters: log lines are counted and dropped.
class QuietWindow : public LogView, public ListenerView, public MessageBoxes {
  public:
    void insertLogLine(const std::string&) override { ++logLines; }
    void listenerStopped() override {}
    void showError(const std::string&) override { ++errorBoxes; }

    std::atomic<long> logLines{0};
    std::atomic<long> errorBoxes{0};
};

// The real request server and request handling, listening on 127.0.0.1 with a canned desktop:
// what the program runs, minus the window and the screen.
class HostedServer {
  public:
    // Starts listening on a free port of 127.0.0.1; throws when it does not listen within 10 s.
    // Captures are a prepared picture of the given size.
    explicit HostedServer(int pictureWidth = 320, int pictureHeight = 240);
    // Stops and waits for the listener's end.
    ~HostedServer();
    HostedServer(const HostedServer&) = delete;
    HostedServer& operator=(const HostedServer&) = delete;

    std::uint16_t port() const { return mPort; }
    // The server's tasks running now (the listener's among them).
    int busyTasks() const { return mServer->busyTasks(); }
    // ClientError events reported so far.
    long clientErrors() const { return mClientErrors; }
    // Asks the listener to end and waits until it has; gives the seconds that took.
    double stopAndWait();

    CannedDesktop desktop;
    QuietWindow window;

  private:
    // Sees each event before the handler: the listener's state and the client errors.
    void observe(const ServerEvent& event);

    std::filesystem::path mDir;
    RequestHandler mHandler;
    std::mutex mLock;
    std::condition_variable mChanged;
    bool mListening = false;
    bool mEnded = false;
    std::atomic<long> mClientErrors{0};
    std::uint16_t mPort = 0;
    // Last, so that it is destroyed (waiting for its threads) before what its events use.
    std::unique_ptr<RequestServer> mServer;
};

// A port of 127.0.0.1 that nothing listens on at the moment of the call.
std::uint16_t freeLoopbackPort();

}  // namespace korvane
