#pragma once

#include <functional>
#include <memory>

#include "handling/RequestHandler.h"
#include "server/RequestServer.h"

namespace korvane {

// Sees each server event before the handler does, on the server thread that reports it.
using ServerTap = std::function<void(const ServerEvent& event)>;

// The one place where the request server meets request handling: a server (not yet listening)
// whose requests `handler` answers and whose events go to it, each shown first to `tap` when one
// is given. The handler must outlive the server; destroying the server waits for its threads.
std::unique_ptr<RequestServer> serveRequests(RequestHandler& handler, ServerTap tap = {});

}  // namespace korvane
