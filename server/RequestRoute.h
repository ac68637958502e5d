#pragma once

#include <functional>

#include "server/ReceivedRequest.h"
#include "server/RequestOutcome.h"

namespace korvane {

// How the application will answer a request, decided on the listener's thread as soon as the
// request is read.
struct RequestRoute {
    // True for a request answered at once, neither waiting nor blocking on anything but short
    // locks: the listener's own thread answers it and sends what it is answered with. Any other
    // is answered by the thread that read it, once the listening has gone on to a task of its
    // own.
    bool quick = false;
    // Makes the answer, once, on the thread that serves the request. What it throws closes the
    // connection with a ClientError event.
    std::function<RequestOutcome()> answer;
};

// Routes a request; runs on the listener's thread, so it must not wait. What it throws closes
// the connection with a ClientError event.
using RequestRouter = std::function<RequestRoute(const ReceivedRequest& request)>;

}  // namespace korvane
