#include "server/ReplySender.h"

#include "platform/Trace.h"
#include "server/Connection.h"
#include "server/FramedSocket.h"
#include "server/Framing.h"
#include "server/RequestServer.h"
#include "server/ServerMessages.h"

namespace korvane {

void ReplySender::run() {
    trace("TSSResponseThread.Execute");
    Connection& connection = *mConnection;
    FramedSocket socket(connection.socket(), mServer.stopping());
    try {
        socket.sendText(makeHeader(byteCount(mPayload), MessageType::Reply) + mPayload);
    } catch (...) {
        mServer.failConnection(connection, msg::kResponseFailed);
        return;
    }
    // From here the connection may give way at the connection limit: its work is done.
    connection.finishReply();
    mServer.awaitClose(connection);
}

}  // namespace korvane
