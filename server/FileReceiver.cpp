#include "server/FileReceiver.h"

#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

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
    const ServerLimits& limits = mServer.limits();
    // The target is replaced only by a whole file: what arrives goes to a private temporary
    // file beside it, renamed over it at the end.
    std::string temp = mLocalPath + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    try {
        if (fd < 0) {
            throw ServerError("ファイル \"" + mLocalPath + "\" を作成できません。" +
                              std::strerror(errno));
        }
        std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(::fdopen(fd, "wb"), &std::fclose);
        if (!file) {
            ::close(fd);
            throw ServerError("ファイル \"" + mLocalPath + "\" を作成できません。" +
                              std::strerror(errno));
        }
        socket.sendText(makeHeader(kFileNameWidth, MessageType::FileRequest));
        socket.sendText(padBytes(mRemoteName, kFileNameWidth));
        const Deadline deadline = std::chrono::steady_clock::now() + limits.fileReceiveTime;
        std::string header;
        socket.receiveText(header, kHeaderLength, deadline);
        verifyCheckDigit(header);
        if (headerType(header) != static_cast<std::int32_t>(MessageType::Answer) ||
            headerLength(header) > limits.maxReceivedFile) {
            throw ServerError(msg::kInvalidMessage);
        }
        socket.receiveFile(file.get(), headerLength(header), deadline);
        if (std::fclose(file.release()) != 0 ||
            std::rename(temp.c_str(), mLocalPath.c_str()) != 0) {
            throw ServerError("ファイル \"" + mLocalPath + "\" に書き込めません。");
        }
        mServer.reportFinished(connection);
    } catch (...) {
        if (fd >= 0) {
            ::unlink(temp.c_str());
        }
        mServer.failConnection(connection, msg::kRecvFileFailed);
    }
}

}  // namespace korvane
