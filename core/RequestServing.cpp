#include "core/RequestServing.h"

namespace korvane {

std::unique_ptr<RequestServer> serveRequests(RequestHandler& handler, ServerTap tap) {
    auto server =
        std::make_unique<RequestServer>([&handler, tap = std::move(tap)](const ServerEvent& event) {
            if (tap) {
                tap(event);
            }
            handler.onServerEvent(event);
        });
    handler.attach(*server);
    return server;
}

}  // namespace korvane
