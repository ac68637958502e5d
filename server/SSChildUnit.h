#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

#include "platform/Socket.h"

namespace korvane {

// One accepted connection and the state of the request on it; also the handle that events carry.
// The listener and the thread serving the connection share it, so a worker that outlives the
// listener's wait still finds its record alive.
class TSSChild : public std::enable_shared_from_this<TSSChild> {
  public:
    explicit TSSChild(net::SocketHandle pSock);
    // Closes the socket if nobody did.
    ~TSSChild();
    TSSChild(const TSSChild&) = delete;
    TSSChild& operator=(const TSSChild&) = delete;

    // The worker's last act on the connection: close the socket and mark the record finished.
    void CloseSocket();
    // The listener's release: waits up to 5 seconds for the worker to finish; after that the
    // connection is shut down so that the worker ends too (the descriptor is closed by whoever
    // drops the record last, so its number is never reused under a running worker).
    void Free();

    // The intake's outcome, settled once between the thread reading the request and a listener
    // that needs room: FinishIntake is true when the request counts as read; TakeBack is true
    // when the connection was taken back before that, and shuts it down. A connection with
    // received bytes its thread has not read yet is not taken back: they may be a whole request.
    bool FinishIntake();
    bool TakeBack();
    bool TakenBack() const { return mIntake == kTakenBack; }

    std::atomic<net::SocketHandle> mSock;
    std::string mIp;
    std::string mClientKey;
    std::string mData;
    std::string mResponse;
    std::string mLocalFilePath;
    std::string mRemoteFileName;
    std::string mFieldInfo;
    std::int32_t mCommandSerialNumber = 0;

    // The file a SendFile sends, opened when the transfer is handed over: a later rewrite of the
    // same path (a new capture) cannot change what this transfer sends.
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> mSendStream{nullptr, &std::fclose};
    std::string mSendOpenError;

  private:
    enum Intake { kReading, kRead, kTakenBack };
    void ShutdownSocketLocked();

    std::mutex mCloseLock;
    std::atomic<Intake> mIntake{kReading};
};

}  // namespace korvane
