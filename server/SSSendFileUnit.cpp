#include "server/SSSendFileUnit.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <limits>

#include "platform/FileOpen.h"
#include "server/SSMessages.h"
#include "server/SSThread.h"
#include "server/SSTransferFailure.h"
#include "server/SSUtilUnit.h"

namespace korvane {
namespace {

// The client's answer to a file message must be an empty type 1 message.
void ReceiveAcknowledgement(const TSSServer& server, net::SocketHandle sock) {
    std::string header;
    mdlRecvData(server, sock, header, 16);
    mdlVerifyCheckDigit(header);
    if (mdlHeaderType(header) != kTypeAnswer || mdlHeaderLength(header) != 0) {
        throw SSError(msg::kInvalidMessage);
    }
}

}  // namespace

void TSSSendFileThread::OpenLocalFile(TSSChild& pChild) {
    pChild.mSendOpenError.clear();
    pChild.mSendStream.reset(openFile(pChild.mLocalFilePath, "rb"));
    if (!pChild.mSendStream) {
        pChild.mSendOpenError =
            "ファイル \"" + pChild.mLocalFilePath + "\" を開けません。" + std::strerror(errno);
    }
}

void TSSSendFileThread::Execute() {
    mdlTrace("TSSSendFileThread.Execute");
    TSSServer& server = *mParent;
    TSSChild& child = *mChild;
    net::SocketHandle sock = child.mSock;
    try {
        auto stream = std::move(child.mSendStream);
        if (!stream) {
            throw SSError(child.mSendOpenError);
        }
        struct stat info {};
        if (::fstat(::fileno(stream.get()), &info) != 0) {
            throw SSError(std::string("ファイルを読めません: ") + std::strerror(errno));
        }
        // The length field is a signed 32-bit value.
        if (info.st_size > std::numeric_limits<std::int32_t>::max() - 780) {
            throw SSError("ファイルが大きすぎます。");
        }
        mdlSendData(server, sock, mdlMakeHeader(info.st_size + 780, kTypeFile));
        mdlSendData(server, sock, mdlPadBytes(child.mRemoteFileName, kNameWidth));
        mdlSendData(server, sock, mdlPadBytes(child.mFieldInfo, kFieldInfoWidth));
        mdlSendFile(server, sock, stream.get());
        stream.reset();
        ReceiveAcknowledgement(server, sock);
        ReportFinished(server, child);
    } catch (...) {
        FailTransfer(server, child, msg::kSendFileFailed);
    }
}

}  // namespace korvane
