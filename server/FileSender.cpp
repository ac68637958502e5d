#include "server/FileSender.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <limits>

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

// The bytes of a file message before the file: name and field information.
constexpr std::int64_t kFileFields = kFileNameWidth + kFieldInfoWidth;

// The client's answer to a file message must be an empty Answer message.
void receiveAcknowledgement(FramedSocket& socket) {
    std::string header;
    socket.receiveText(header, kHeaderLength);
    verifyCheckDigit(header);
    if (headerType(header) != static_cast<std::int32_t>(MessageType::Answer) ||
        headerLength(header) != 0) {
        throw ServerError(msg::kInvalidMessage);
    }
}

}  // namespace

FileSender::Source FileSender::open(const std::string& localPath) {
    Source source;
    source.stream.reset(openFile(localPath, "rb"));
    if (!source.stream) {
        source.openError = "ファイル \"" + localPath + "\" を開けません。" + std::strerror(errno);
    }
    return source;
}

void FileSender::run() {
    trace("TSSSendFileThread.Execute");
    Connection& connection = *mConnection;
    FramedSocket socket(connection.socket(), mServer.stopping());
    try {
        auto stream = std::move(mSource.stream);
        if (!stream) {
            throw ServerError(mSource.openError);
        }
        struct stat info {};
        if (::fstat(::fileno(stream.get()), &info) != 0) {
            throw ServerError(std::string("ファイルを読めません: ") + std::strerror(errno));
        }
        // The length field is a signed 32-bit value.
        if (info.st_size > std::numeric_limits<std::int32_t>::max() - kFileFields) {
            throw ServerError("ファイルが大きすぎます。");
        }
        socket.sendText(makeHeader(info.st_size + kFileFields, MessageType::File));
        socket.sendText(padBytes(mLabel.remoteName, kFileNameWidth));
        socket.sendText(padBytes(mLabel.fieldInfo, kFieldInfoWidth));
        socket.sendFile(stream.get());
        stream.reset();
        receiveAcknowledgement(socket);
        mServer.reportFinished(connection);
    } catch (...) {
        mServer.failConnection(connection, msg::kSendFileFailed);
    }
}

}  // namespace korvane
