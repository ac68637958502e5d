#include "server/FileReceiver.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/FileOpen.h"
#include "platform/Trace.h"
#include "server/Connection.h"
#include "server/FramedSocket.h"
#include "server/Framing.h"
#include "server/RequestServer.h"
#include "server/ServerError.h"
#include "server/ServerMessages.h"

namespace korvane {

void FileReceiver::run() {
    trace("TSSRecvFileThread.Execute");
    Connection& connection = *mConnection;
    FramedSocket socket(connection.socket(), mServer.stopping());
    try {
        std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(openFile(mLocalPath, "wb"),
                                                             &std::fclose);
        if (!file) {
            throw ServerError("ファイル \"" + mLocalPath + "\" を作成できません。" +
                              std::strerror(errno));
        }
        socket.sendText(makeHeader(kFileNameWidth, MessageType::FileRequest));
        socket.sendText(padBytes(mRemoteName, kFileNameWidth));
        std::string header;
        socket.receiveText(header, kHeaderLength);
        verifyCheckDigit(header);
        if (headerType(header) != static_cast<std::int32_t>(MessageType::Answer)) {
            throw ServerError(msg::kInvalidMessage);
        }
        socket.receiveFile(file.get(), headerLength(header));
        if (std::fclose(file.release()) != 0) {
            throw ServerError("ファイル \"" + mLocalPath + "\" に書き込めません。");
        }
        mServer.reportFinished(connection);
    } catch (...) {
        mServer.failConnection(connection, msg::kRecvFileFailed);
    }
}

}  // namespace korvane
