#pragma once

#include "server/RequestRoute.h"
#include "server/ServerEvent.h"

namespace korvane {

// What the application gives the request server: where its events go, and who answers its
// requests. Both are called on server threads and must outlive the server.
struct ServerHooks {
    EventHandler onEvent;
    RequestRouter onRequest;
};

}  // namespace korvane
