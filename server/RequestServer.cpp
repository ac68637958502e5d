#include "server/RequestServer.h"

#include <thread>

#include "platform/Socket.h"
#include "server/Connection.h"
#include "server/FileReceiver.h"
#include "server/FileSender.h"
#include "server/Listener.h"
#include "server/ReplySender.h"
#include "server/ServerError.h"
#include "server/ServerMessages.h"

namespace korvane {

RequestServer::RequestServer(EventHandler handler, ServerLimits limits)
    : mHandler(std::move(handler)), mLimits(limits) {}

RequestServer::~RequestServer() {
    mStopping = true;
    std::unique_lock lock(mThreadsLock);
    mThreadsDone.wait(lock, [this] { return mThreadCount == 0; });
}

std::optional<std::string> RequestServer::start(const std::string& address, std::int32_t port) {
    bool expected = false;
    if (!mStarted.compare_exchange_strong(expected, true)) {
        return msg::kAlreadyListening;
    }
    // Windows' socket library must be started first; its failure is the whole answer.
    if (std::string failure = net::startNetworking(); !failure.empty()) {
        mStarted = false;
        return failure;
    }
    try {
        mStopping = false;
        mPort = port;
        mAddress = address;
        startTask(std::make_shared<Listener>(*this));
        return std::nullopt;
    } catch (...) {
        mStarted = false;
        return joinError(msg::kStartListeningFailed, currentErrorText());
    }
}

void RequestServer::stop() {
    if (mStarted) {
        mStopping = true;
        return;
    }
    raise({.kind = EventKind::ListenerEnded, .data = msg::kNotListening});
}

void RequestServer::raise(const ServerEvent& event) const {
    mHandler(event);
}

void RequestServer::failConnection(Connection& connection, const char* failureText) const {
    ServerEvent event{.kind = EventKind::ClientError,
                      .connectionId = connection.id(),
                      .serial = connection.serial,
                      .address = connection.address(),
                      .clientKey = connection.clientKey,
                      .data = connection.data,
                      .error = joinError(failureText, currentErrorText())};
    // The last touch of the record: after this the listener may let it go.
    connection.close();
    try {
        raise(event);
    } catch (...) {
        // Escaping from a ClientError ends the thread without a further event.
    }
}

void RequestServer::reportFinished(Connection& connection) const {
    raise({.kind = EventKind::Finished,
           .connection = &connection,
           .connectionId = connection.id(),
           .serial = connection.serial,
           .address = connection.address(),
           .clientKey = connection.clientKey,
           .data = connection.data});
}

void RequestServer::startThread(std::function<void()> body) {
    {
        std::lock_guard lock(mThreadsLock);
        ++mThreadCount;
    }
    auto finish = [this] {
        std::lock_guard lock(mThreadsLock);
        --mThreadCount;
        mThreadsDone.notify_all();
    };
    try {
        std::thread([body = std::move(body), finish]() mutable {
            {
                // Released before the count drops, so nothing of the thread outlives the server.
                auto run = std::move(body);
                try {
                    run();
                } catch (...) {
                    // Every thread body reports its own failures; nothing may end the process.
                }
            }
            finish();
        }).detach();
    } catch (...) {
        finish();
        throw;
    }
}

void RequestServer::startTransfer(Connection& connection, std::int32_t serial,
                                  const char* failureText,
                                  std::function<void(std::shared_ptr<Connection>)> run) {
    connection.serial = serial;
    try {
        if (!mStarted) {
            throw ServerError(msg::kNotListening);
        }
        run(connection.shared_from_this());
    } catch (...) {
        failConnection(connection, failureText);
    }
}

void RequestServer::reply(Connection& connection, std::int32_t serial, const std::string& payload) {
    startTransfer(connection, serial, msg::kResponseFailed,
                  [&](std::shared_ptr<Connection> shared) {
                      startTask(std::make_shared<ReplySender>(*this, std::move(shared), payload));
                  });
}

void RequestServer::sendFile(Connection& connection, std::int32_t serial,
                             const std::string& localPath, const std::string& remoteName,
                             const std::string& fieldInfo) {
    // Opened now: a later rewrite of the same path (a new capture) cannot change what this
    // transfer sends.
    FileSender::Source source = FileSender::open(localPath);
    startTransfer(
        connection, serial, msg::kSendFileFailed, [&](std::shared_ptr<Connection> shared) {
            startTask(std::make_shared<FileSender>(*this, std::move(shared), std::move(source),
                                                   FileSender::Label{remoteName, fieldInfo}));
        });
}

void RequestServer::receiveFile(Connection& connection, std::int32_t serial,
                                const std::string& localPath, const std::string& remoteName) {
    startTransfer(
        connection, serial, msg::kRecvFileFailed, [&](std::shared_ptr<Connection> shared) {
            startTask(
                std::make_shared<FileReceiver>(*this, std::move(shared), localPath, remoteName));
        });
}

}  // namespace korvane
