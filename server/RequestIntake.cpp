#include "server/RequestIntake.h"

#include "platform/Trace.h"
#include "server/Connection.h"
#include "server/FramedSocket.h"
#include "server/Framing.h"
#include "server/RequestServer.h"
#include "server/ServerError.h"
#include "server/ServerMessages.h"

namespace korvane {
namespace {

struct Header {
    std::string text;
    std::int32_t bodyLength = 0;
};

// Reads and checks the header; throws with the intake's prefix on any fault.
Header readHeader(FramedSocket& socket, Deadline deadline) {
    try {
        Header header;
        socket.receiveText(header.text, kHeaderLength, deadline);
        verifyCheckDigit(header.text);
        header.bodyLength = headerLength(header.text);
        // Refused before anything is read for it: no phone request comes near this size.
        if (header.bodyLength > kMaxRequestBody) {
            throw ServerError(msg::kInvalidMessage);
        }
        return header;
    } catch (...) {
        throw ServerError(joinError(msg::kRequestReceiveFailed, currentErrorText()));
    }
}

}  // namespace

void RequestIntake::run() {
    trace("TSSAcceptThread.Execute");
    Connection& connection = *mConnection;
    const Deadline deadline = std::chrono::steady_clock::now() + mServer.limits().requestTime;
    try {
        mServer.raise({.kind = EventKind::Information,
                       .connectionId = connection.id(),
                       .address = connection.address(),
                       .data = msg::kConnectionRequest});
        FramedSocket socket(connection.socket(), mServer.stopping());
        const Header header = readHeader(socket, deadline);
        if (headerType(header.text) != static_cast<std::int32_t>(MessageType::Request)) {
            throw ServerError(msg::kRequestReceiveFailed);
        }
        std::string body;
        try {
            socket.receiveText(body, header.bodyLength, deadline);
        } catch (...) {
            throw ServerError(joinError(msg::kRequestReceiveFailed, currentErrorText()));
        }
        if (!connection.finishIntake()) {
            throw ServerError(msg::kTooManyConnections);
        }
        RequestBody request = parseRequestBody(body);
        connection.clientKey = std::move(request.clientKey);
        connection.data = std::move(request.data);
        mServer.raiseContinuing(connection, {.kind = EventKind::Request,
                                             .connection = &connection,
                                             .connectionId = connection.id(),
                                             .address = connection.address(),
                                             .clientKey = connection.clientKey,
                                             .data = connection.data});
    } catch (...) {
        // Taken back by the listener: whatever the read met was its doing.
        std::string error = connection.takenBack() ? msg::kTooManyConnections : currentErrorText();
        connection.close();
        try {
            mServer.raise({.kind = EventKind::ClientError,
                           .connectionId = connection.id(),
                           .address = connection.address(),
                           .error = std::move(error)});
        } catch (...) {
            // Escaping from a ClientError ends the thread without a further event.
        }
    }
}

}  // namespace korvane
