#include "server/SSAcceptThreadUnit.h"

#include "platform/Utf8.h"
#include "server/SSChildUnit.h"
#include "server/SSError.h"
#include "server/SSMessages.h"
#include "server/SSServerUnit.h"
#include "server/SSThread.h"
#include "server/SSUtilUnit.h"

namespace korvane {
namespace {

// Reads the header and gives the body length; throws with the intake's prefix on any fault.
std::int32_t ReadHeader(const TSSServer& server, net::SocketHandle sock, std::string& header,
                        Deadline deadline) {
    try {
        mdlRecvData(server, sock, header, 16, deadline);
        mdlVerifyCheckDigit(header);
        std::int32_t bodyLength = mdlHeaderLength(header);
        // Refused before anything is allocated for it: no phone request comes near this size.
        if (bodyLength > kMaxRequestBody) {
            throw SSError(msg::kInvalidMessage);
        }
        return bodyLength;
    } catch (...) {
        throw SSError(joinError(msg::kRequestReceiveFailed, currentErrorText()));
    }
}

}  // namespace

void TSSAcceptThread::Execute() {
    mdlTrace("TSSAcceptThread.Execute");
    TSSServer& server = *mParent;
    TSSChild& child = *mChild;
    std::string ip = child.mIp;
    Deadline deadline = std::chrono::steady_clock::now() + server.mRequestTime;
    try {
        server.CallBackProc_(nullptr, kEventInformation, 0, ip, "", msg::kConnectionRequest, "");
        net::SocketHandle sock = child.mSock;
        std::string header;
        std::int32_t bodyLength = ReadHeader(server, sock, header, deadline);
        if (mdlHeaderType(header) != kTypeRequest) {
            throw SSError(msg::kRequestReceiveFailed);
        }
        std::string body;
        try {
            mdlRecvData(server, sock, body, bodyLength, deadline);
        } catch (...) {
            throw SSError(joinError(msg::kRequestReceiveFailed, currentErrorText()));
        }
        if (!child.FinishIntake()) {
            throw SSError(msg::kTooManyConnections);
        }
        child.mClientKey = mdlTrimRight(utf8::mid(body, 12, 20));
        child.mData = std::string(utf8::mid(body, 32));
        server.CallBackProc_(&child, kEventRequest, 0, ip, child.mClientKey, child.mData, "");
    } catch (...) {
        // Taken back by the listener: whatever the read met was its doing.
        std::string error = child.TakenBack() ? msg::kTooManyConnections : currentErrorText();
        child.CloseSocket();
        try {
            server.CallBackProc_(nullptr, kEventClientError, 0, ip, "", "", error);
        } catch (...) {
            // Escaping from kind 2 ends the thread without a further event.
        }
    }
}

}  // namespace korvane
