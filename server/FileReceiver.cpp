#include "server/FileReceiver.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
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
namespace {

std::filesystem::path utf8Path(const std::string& text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

}  // namespace

bool FileReceiver::run() {
    trace("TSSRecvFileThread.Execute");
    Connection& connection = *mConnection;
    FramedSocket socket(connection.socket(), mServer.stopping());
    const ServerLimits& limits = mServer.limits();
    // The target is replaced only by a whole file: what arrives goes to a temporary file beside
    // it, named after the connection (never reused within the server), renamed over it at the
    // end.
    const std::string tempName = mLocalPath + ".part-" + std::to_string(connection.id());
    const std::filesystem::path temp = utf8Path(tempName);
    bool created = false;
    try {
        std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(openFile(tempName, "wb"),
                                                             &std::fclose);
        if (!file) {
            throw ServerError("ファイル \"" + mLocalPath + "\" を作成できません。" +
                              std::strerror(errno));
        }
        created = true;
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
        std::error_code renamed;
        if (std::fclose(file.release()) != 0) {
            throw ServerError("ファイル \"" + mLocalPath + "\" に書き込めません。");
        }
        std::filesystem::rename(temp, utf8Path(mLocalPath), renamed);
        if (renamed) {
            throw ServerError("ファイル \"" + mLocalPath + "\" に書き込めません。");
        }
        created = false;
        if (mStored) {
            mStored();
        }
        return true;
    } catch (...) {
        if (created) {
            std::error_code ignored;
            std::filesystem::remove(temp, ignored);
        }
        mServer.failConnection(connection, msg::kRecvFileFailed);
        return false;
    }
}

}  // namespace korvane
