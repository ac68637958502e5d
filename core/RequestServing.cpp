#include "core/RequestServing.h"

namespace korvane {

std::unique_ptr<RequestServer> serveRequests(RequestHandler& handler, ServerTap tap) {
    ServerHooks hooks = handler.hooks();
    if (tap) {
        hooks.onEvent = [&handler, tap = std::move(tap)](const ServerEvent& event) {
            tap(event);
            handler.onServerEvent(event);
        };
    }
    return std::make_unique<RequestServer>(std::move(hooks));
}

}  // namespace korvane
