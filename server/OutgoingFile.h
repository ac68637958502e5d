#pragma once

#include <cstdio>
#include <memory>
#include <string>

namespace korvane {

// A file the server sends on a connection: opened when the answer is made, so that a later
// rewrite of the same path (a new capture) cannot change what is sent.
struct OutgoingFile {
    // Never fails: a file that cannot be opened is sent as a failure of its transfer.
    static OutgoingFile open(const std::string& localPath, std::string remoteName,
                             std::string fieldInfo);

    // Null when the file could not be opened; `openError` then says why.
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> stream{nullptr, &std::fclose};
    std::string openError;
    // What the file message says of the file.
    std::string remoteName;
    std::string fieldInfo;
};

}  // namespace korvane
