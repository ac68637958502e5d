#include "server/RequestServer.h"

#include <utility>

#include "platform/Socket.h"
#include "platform/Trace.h"
#include "server/Connection.h"
#include "server/FileReceiver.h"
#include "server/FileSender.h"
#include "server/Listener.h"
#include "server/ReplySender.h"
#include "server/ServerError.h"
#include "server/ServerMessages.h"

namespace korvane {
namespace {

// The connection whose event this thread's handler is answering, and the step it handed over.
struct HandlerScope {
    Connection* connection;
    std::function<void()> next;
};
thread_local HandlerScope* tHandlerScope = nullptr;
// The connection a transfer is being handed to, while this thread hands it over.
thread_local Connection* tHandingOver = nullptr;

}  // namespace

RequestServer::RequestServer(EventHandler handler, ServerLimits limits)
    : mHandler(std::move(handler)), mLimits(limits) {}

RequestServer::~RequestServer() {
    mStopping = true;
    mStopSignal.raise();
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
        mStopSignal.clear();
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
        mStopSignal.raise();
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

void RequestServer::raiseContinuing(Connection& connection, const ServerEvent& event) {
    HandlerScope scope{&connection, {}};
    HandlerScope* const outer = std::exchange(tHandlerScope, &scope);
    try {
        raise(event);
    } catch (...) {
        tHandlerScope = outer;
        throw;
    }
    tHandlerScope = outer;
    if (scope.next) {
        try {
            scope.next();
        } catch (...) {
            // Every step reports its own failures; none may fail the event that led to it.
        }
    }
}

void RequestServer::reportFinished(Connection& connection) {
    raiseContinuing(connection, {.kind = EventKind::Finished,
                                 .connection = &connection,
                                 .connectionId = connection.id(),
                                 .serial = connection.serial,
                                 .address = connection.address(),
                                 .clientKey = connection.clientKey,
                                 .data = connection.data});
}

void RequestServer::reportRequest(Connection& connection) {
    trace("TSSAcceptThread.Execute");
    try {
        raiseContinuing(connection, {.kind = EventKind::Request,
                                     .connection = &connection,
                                     .connectionId = connection.id(),
                                     .address = connection.address(),
                                     .clientKey = connection.clientKey,
                                     .data = connection.data});
    } catch (...) {
        std::string error = currentErrorText();
        connection.close();
        try {
            raise({.kind = EventKind::ClientError,
                   .connectionId = connection.id(),
                   .address = connection.address(),
                   .error = std::move(error)});
        } catch (...) {
            // Escaping from a ClientError ends the report without a further event.
        }
    }
}

void RequestServer::awaitClose(Connection& connection) {
    // A stopping listener closes what it waits on; this one would come too late for it.
    if (mStopping ||
        !connection.awaitClose(mPoller, std::chrono::steady_clock::now() + mLimits.closeTime)) {
        connection.close();
    }
}

void RequestServer::runTask(std::function<void()> body) {
    // A step handed over by the handler of its own connection's event waits for the handler to
    // return: the log lines and replies of that handler keep their order before the step's.
    HandlerScope* const scope = tHandlerScope;
    if (scope && !scope->next && tHandingOver == scope->connection) {
        scope->next = std::move(body);
        return;
    }
    mPool.run(std::move(body));
}

void RequestServer::startTransfer(Connection& connection, std::int32_t serial,
                                  const char* failureText,
                                  std::function<void(std::shared_ptr<Connection>)> run) {
    connection.serial = serial;
    try {
        if (!mStarted) {
            throw ServerError(msg::kNotListening);
        }
        Connection* const outer = std::exchange(tHandingOver, &connection);
        try {
            run(connection.shared_from_this());
        } catch (...) {
            tHandingOver = outer;
            throw;
        }
        tHandingOver = outer;
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
