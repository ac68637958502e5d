#include "server/SSResponseUnit.h"

#include "server/SSMessages.h"
#include "server/SSThread.h"
#include "server/SSTransferFailure.h"
#include "server/SSUtilUnit.h"

namespace korvane {

void TSSResponseThread::Execute() {
    mdlTrace("TSSResponseThread.Execute");
    TSSServer& server = *mParent;
    TSSChild& child = *mChild;
    net::SocketHandle sock = child.mSock;
    try {
        std::string reply = mdlMakeHeader(mdlByteCount(child.mResponse), kTypeReply);
        reply += child.mResponse;
        mdlSendData(server, sock, reply);
        ReportFinished(server, child);
    } catch (...) {
        FailTransfer(server, child, msg::kResponseFailed);
        return;
    }
    try {
        mdlCloseWait(server, sock);
    } catch (...) {
        // The normal end: the client has closed, or the server is stopping.
    }
    child.CloseSocket();
}

}  // namespace korvane
