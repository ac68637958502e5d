#include "server/SSRecvFileUnit.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/Utf8.h"
#include "server/SSMessages.h"
#include "server/SSThread.h"
#include "server/SSTransferFailure.h"
#include "server/SSUtilUnit.h"

namespace korvane {
namespace {

constexpr int kFileRequestType = 4;
constexpr int kAnswerType = 1;
constexpr int kNameWidth = 260;

}  // namespace

void TSSRecvFileThread::Create(TSSServer* pParent, std::shared_ptr<TSSChild> pChild) {
    StartOwnedThread(pParent, std::unique_ptr<TSSRecvFileThread>(
                                  new TSSRecvFileThread(pParent, std::move(pChild))));
}

void TSSRecvFileThread::Execute() {
    mdlTrace("TSSRecvFileThread.Execute");
    TSSServer& server = *mParent;
    TSSChild& child = *mChild;
    net::SocketHandle sock = child.mSock;
    try {
        std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(
            std::fopen(child.mLocalFilePath.c_str(), "wb"), &std::fclose);
        if (!file) {
            throw SSError("ファイル \"" + child.mLocalFilePath + "\" を作成できません。" +
                          std::strerror(errno));
        }
        mdlSendData(server, sock, mdlMakeHeader(kNameWidth, kFileRequestType));
        mdlSendData(server, sock, mdlPadBytes(child.mRemoteFileName, kNameWidth));
        std::string header;
        mdlRecvData(server, sock, header, 16);
        std::string_view length = utf8::mid(header, 0, 10);
        if (mdlCheckDigit(length) != utf8::mid(header, 10, 1) ||
            mdlStrToInt(utf8::mid(header, 11, 5)) != kAnswerType) {
            throw SSError(msg::kInvalidMessage);
        }
        mdlRecvFile(server, sock, file.get(), mdlStrToInt(length, false));
        if (std::fclose(file.release()) != 0) {
            throw SSError("ファイル \"" + child.mLocalFilePath + "\" に書き込めません。");
        }
        ReportFinished(server, child);
    } catch (...) {
        FailTransfer(server, child, msg::kRecvFileFailed);
    }
}

}  // namespace korvane
