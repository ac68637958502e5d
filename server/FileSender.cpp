#include "server/FileSender.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <limits>

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

// The client's answer to a file message must be an empty Answer message, in time.
void receiveAcknowledgement(FramedSocket& socket, Deadline deadline) {
    std::string header;
    socket.receiveText(header, kHeaderLength, deadline);
    verifyCheckDigit(header);
    if (headerType(header) != static_cast<std::int32_t>(MessageType::Answer) ||
        headerLength(header) != 0) {
        throw ServerError(msg::kInvalidMessage);
    }
}

}  // namespace

bool FileSender::run() {
    trace("TSSSendFileThread.Execute");
    Connection& connection = *mConnection;
    FramedSocket socket(connection.socket(), mServer.stopping());
    try {
        auto stream = std::move(mFile.stream);
        if (!stream) {
            throw ServerError(mFile.openError);
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
        socket.sendText(padBytes(mFile.remoteName, kFileNameWidth));
        socket.sendText(padBytes(mFile.fieldInfo, kFieldInfoWidth));
        socket.sendFile(stream.get());
        stream.reset();
        receiveAcknowledgement(socket,
                               std::chrono::steady_clock::now() + mServer.limits().acknowledgeTime);
        if (mAcknowledged) {
            mAcknowledged();
        }
        return true;
    } catch (...) {
        mServer.failConnection(connection, msg::kSendFileFailed);
        return false;
    }
}

}  // namespace korvane
