#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>

#include "handling/RequestHandler.h"
#include "handling/WindowPorts.h"
#include "server/SSServerUnit.h"
#include "tools/CannedDesktop.h"

namespace korvane {

// The window's side reduced to counters: log lines are counted and dropped.
class TQuietWindow : public ILogView, public IListenerView, public IMessageBoxes {
  public:
    void InsertLogLine(const std::string&) override { ++LogLines; }
    void SetStoppedState(const std::string&) override {}
    void ShowError(const std::string&) override { ++ErrorBoxes; }

    std::atomic<long> LogLines{0};
    std::atomic<long> ErrorBoxes{0};
};

// The real request server and request handling, listening on 127.0.0.1 with a canned desktop:
// what the program runs, minus the window and the screen.
class THostedServer {
  public:
    // Starts listening on a free port of 127.0.0.1; throws when it does not listen within 10 s.
    // Captures are a prepared picture of the given size.
    explicit THostedServer(int pPictureWidth = 320, int pPictureHeight = 240);
    // Stops and waits for the listener's end.
    ~THostedServer();
    THostedServer(const THostedServer&) = delete;
    THostedServer& operator=(const THostedServer&) = delete;

    std::uint16_t Port() const { return mPort; }
    // Client errors (event kind 2) reported so far.
    long ClientErrors() const { return mClientErrors; }
    // Asks the listener to end and waits until it has; gives the seconds that took.
    double StopAndWait();

    CannedDesktop desktop;
    TQuietWindow Window;

  private:
    void OnEvent(TSSChild* pHandle, std::uint8_t pKind, std::int32_t pSerial,
                 const std::string& pIp, const std::string& pKey, const std::string& pData,
                 const std::string& pError);

    std::filesystem::path mDir;
    TRequestHandler mHandler;
    std::mutex mLock;
    std::condition_variable mChanged;
    bool mListening = false;
    bool mEnded = false;
    std::atomic<long> mClientErrors{0};
    std::uint16_t mPort = 0;

  public:
    // Last, so that it is destroyed (waiting for its threads) before what its events use.
    TSSServer Server;
};

// A port of 127.0.0.1 that nothing listens on at the moment of the call.
std::uint16_t FreeLoopbackPort();

}  // namespace korvane
