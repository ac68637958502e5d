#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "platform/Cp932.h"

namespace korvane {

class TSSChild;

// Event kinds of SSServer_Proc.
enum SSEventKind : std::uint8_t {
    kEventInformation = 0,
    kEventClientError = 2,
    kEventRequest = 3,
    kEventFinished = 4,
    kEventListenerError = 5,
    kEventListenerEnded = 6,
};

// The application's event procedure: pHandle, pKind, pCommandSerialNumber, pIpAddress, pClientKey,
// pData, pErrorMessage. Called on whichever server thread raised the event; it may throw, and the
// raising thread treats that as its own failure.
using SSServer_Proc = std::function<void(
    TSSChild* pHandle, std::uint8_t pKind, std::int32_t pCommandSerialNumber,
    std::string pIpAddress, std::string pClientKey, std::string pData, std::string pErrorMessage)>;

// The request server: listens on one IPv4 address and port, reads one framed request per
// connection and reports everything through the event procedure.
class TSSServer {
  public:
    explicit TSSServer(SSServer_Proc pFunc);
    // Asks every server thread to stop and waits until all have ended, so that none outlives the
    // object or the application state its event procedure uses.
    ~TSSServer();
    TSSServer(const TSSServer&) = delete;
    TSSServer& operator=(const TSSServer&) = delete;

    // True when the listener thread runs; whether the socket listens is reported by event 0 or 5.
    bool Start(const std::string& pIpAddress, std::int32_t pPort, std::string& pErrorMessage);
    // Asks the listener to end (event 6 within about a second); event 6 at once when not started.
    void Stop();

    // Continue the connection of an event 3 or 4: send the final reply; send a file and await the
    // acknowledgement; ask for a file and receive it. Each returns at once; the outcome is event 4
    // or event 2 with pCommandSerialNumber.
    void Response(TSSChild* pHandle, std::int32_t pCommandSerialNumber,
                  const std::string& pResponse);
    void SendFile(TSSChild* pHandle, std::int32_t pCommandSerialNumber,
                  const std::string& pLocalFilePath, const std::string& pRemoteFileName,
                  const std::string& pFieldInfo);
    void RecvFile(TSSChild* pHandle, std::int32_t pCommandSerialNumber,
                  const std::string& pLocalFilePath, const std::string& pRemoteFileName);

    // Raises one event; does not catch what the event procedure throws.
    void CallBackProc_(TSSChild* pHandle, std::uint8_t pKind, std::int32_t pCommandSerialNumber,
                       const std::string& pIpAddress, const std::string& pClientKey,
                       const std::string& pData, const std::string& pErrorMessage) const;

    // Runs `body` on a new detached thread that the destructor waits for. Throws when no thread
    // can be created.
    void StartThread(std::function<void()> body);

    SSServer_Proc mCallBackFunc;
    std::atomic<bool> mStarted{false};
    std::int32_t mPort = 0;
    Cp932 mEncShiftJIS;
    std::atomic<bool> mAbort{false};
    std::string mIpAddress;

    // Limits that keep hostile or broken peers from taking the server from the phones: the
    // connections open at once (at the limit the oldest one still waiting for its request gives
    // way, else the new one is closed; event 2 either way), and the time in which a new
    // connection must deliver its whole request (a phone sends it at once).
    std::size_t mMaxConnections = 256;
    std::chrono::milliseconds mRequestTime{30000};

  private:
    // Operation's common tail: hand the record to a new thread, or fail the connection.
    void StartTransfer(TSSChild* pHandle, const char* pFailureText,
                       std::function<void(std::shared_ptr<TSSChild>)> pRun);

    std::mutex mThreadsLock;
    std::condition_variable mThreadsDone;
    int mThreadCount = 0;
};

}  // namespace korvane
