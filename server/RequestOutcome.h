#pragma once

#include <functional>
#include <optional>
#include <string>

#include "server/OutgoingFile.h"

namespace korvane {

// What the application answers a request with: what the server sends on its connection, in
// order. At most one of `file` and `fetch`; the reply always comes last, and only once the file
// step (if any) has succeeded: a failed step closes the connection with a ClientError event and
// nothing follows.
struct RequestOutcome {
    // A file asked of the phone, stored at `localPath` once whole.
    struct Fetch {
        std::string localPath;
        std::string remoteName;
    };

    // Sent first; the reply waits for the phone's acknowledgement of it.
    std::optional<OutgoingFile> file;
    // Asked of the phone first; the reply waits until it is stored.
    std::optional<Fetch> fetch;
    // Runs on the serving thread once the file step has succeeded, just before the reply goes;
    // what it throws fails the connection as that step's failure.
    std::function<void()> afterFile;
    // The final reply's payload.
    std::string reply;
};

}  // namespace korvane
