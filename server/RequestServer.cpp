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

RequestServer::RequestServer(ServerHooks hooks, ServerLimits limits)
    : mHooks(std::move(hooks)), mLimits(limits) {}

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
        auto listener =
            std::make_shared<Listener>(static_cast<ListenerHost&>(*this), address, port);
        runTask([listener = std::move(listener)] { listener->run(); });
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
    mHooks.onEvent(event);
}

void RequestServer::failConnection(Connection& connection, const char* failureText) const {
    failConnection(connection, failureText, currentErrorText());
}

void RequestServer::failConnection(Connection& connection, const char* failureText,
                                   const std::string& fault) const {
    ServerEvent event{.kind = EventKind::ClientError,
                      .connectionId = connection.id(),
                      .address = connection.address(),
                      .clientKey = connection.clientKey,
                      .data = connection.data,
                      .error = joinError(failureText, fault)};
    // The last touch of the record: after this the listener may let it go.
    connection.close();
    try {
        raise(event);
    } catch (...) {
        // Escaping from a ClientError ends the thread without a further event.
    }
}

RequestRoute RequestServer::route(const Connection& connection) {
    return mHooks.onRequest({.connectionId = connection.id(),
                             .address = connection.address(),
                             .clientKey = connection.clientKey,
                             .data = connection.data});
}

void RequestServer::serveRequest(Connection& connection,
                                 const std::function<RequestOutcome()>& answer) {
    trace("TSSAcceptThread.Execute");
    std::optional<RequestOutcome> outcome;
    try {
        outcome.emplace(answer());
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
        return;
    }
    try {
        deliver(connection, std::move(*outcome));
    } catch (...) {
        // Every step reports its own failures; what still escapes has nowhere to go.
    }
}

bool RequestServer::stillListening(Connection& connection, const char* failureText) const {
    if (mStarted) {
        return true;
    }
    failConnection(connection, failureText, msg::kNotListening);
    return false;
}

void RequestServer::deliver(Connection& connection, RequestOutcome outcome) {
    std::shared_ptr<Connection> shared = connection.shared_from_this();
    if (outcome.file) {
        if (!stillListening(connection, msg::kSendFileFailed) ||
            !FileSender(*this, shared, std::move(*outcome.file), std::move(outcome.afterFile))
                 .run()) {
            return;
        }
    } else if (outcome.fetch) {
        if (!stillListening(connection, msg::kRecvFileFailed) ||
            !FileReceiver(*this, shared, std::move(*outcome.fetch), std::move(outcome.afterFile))
                 .run()) {
            return;
        }
    }
    if (stillListening(connection, msg::kResponseFailed)) {
        ReplySender(*this, std::move(shared), std::move(outcome.reply)).run();
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
    mPool.run(std::move(body));
}

}  // namespace korvane
