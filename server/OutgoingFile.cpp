#include "server/OutgoingFile.h"

#include <cerrno>
#include <cstring>

#include "platform/FileOpen.h"

namespace korvane {

OutgoingFile OutgoingFile::open(const std::string& localPath, std::string remoteName,
                                std::string fieldInfo) {
    OutgoingFile file;
    file.stream.reset(openFile(localPath, "rb"));
    if (!file.stream) {
        file.openError = "ファイル \"" + localPath + "\" を開けません。" + std::strerror(errno);
    }
    file.remoteName = std::move(remoteName);
    file.fieldInfo = std::move(fieldInfo);
    return file;
}

}  // namespace korvane
