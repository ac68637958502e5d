#include "server/SSRecvFileUnit.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/FileOpen.h"
#include "server/SSMessages.h"
#include "server/SSThread.h"
#include "server/SSTransferFailure.h"
#include "server/SSUtilUnit.h"

namespace korvane {

void TSSRecvFileThread::Execute() {
    mdlTrace("TSSRecvFileThread.Execute");
    TSSServer& server = *mParent;
    TSSChild& child = *mChild;
    net::SocketHandle sock = child.mSock;
    try {
        std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(openFile(child.mLocalFilePath, "wb"),
                                                             &std::fclose);
        if (!file) {
            throw SSError("ファイル \"" + child.mLocalFilePath + "\" を作成できません。" +
                          std::strerror(errno));
        }
        mdlSendData(server, sock, mdlMakeHeader(kNameWidth, kTypeFileRequest));
        mdlSendData(server, sock, mdlPadBytes(child.mRemoteFileName, kNameWidth));
        std::string header;
        mdlRecvData(server, sock, header, 16);
        mdlVerifyCheckDigit(header);
        if (mdlHeaderType(header) != kTypeAnswer) {
            throw SSError(msg::kInvalidMessage);
        }
        mdlRecvFile(server, sock, file.get(), mdlHeaderLength(header));
        if (std::fclose(file.release()) != 0) {
            throw SSError("ファイル \"" + child.mLocalFilePath + "\" に書き込めません。");
        }
        ReportFinished(server, child);
    } catch (...) {
        FailTransfer(server, child, msg::kRecvFileFailed);
    }
}

}  // namespace korvane
