#include "desktop/wayland/ToplevelList.h"

#include <wayland-client.h>

#include "protocols/wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

namespace korvane::wayland {

ToplevelList::~ToplevelList() {
    for (auto& [proxy, toplevel] : mToplevels) {
        zwlr_foreign_toplevel_handle_v1_destroy(proxy);
    }
    if (mManager != nullptr) {
        zwlr_foreign_toplevel_manager_v1_destroy(mManager);
    }
}

void ToplevelList::listen(zwlr_foreign_toplevel_manager_v1* manager) {
    static constexpr zwlr_foreign_toplevel_manager_v1_listener kManagerListener{
        handleToplevel, [](void*, zwlr_foreign_toplevel_manager_v1*) {}};
    mManager = manager;
    zwlr_foreign_toplevel_manager_v1_add_listener(mManager, &kManagerListener, this);
}

std::optional<std::pair<WindowHandle, ToplevelView>> ToplevelList::activated() const {
    for (const auto& [proxy, toplevel] : mToplevels) {
        if (toplevel->activated) {
            return std::make_pair(toplevel->id, viewOf(*toplevel));
        }
    }
    return std::nullopt;
}

std::optional<ToplevelView> ToplevelList::find(WindowHandle id) const {
    for (const auto& [proxy, toplevel] : mToplevels) {
        if (toplevel->id == id) {
            return viewOf(*toplevel);
        }
    }
    return std::nullopt;
}

ToplevelView ToplevelList::viewOf(const Toplevel& toplevel) const {
    return ToplevelView{toplevel.title, toplevel.appId, mOutputs.firstOf(toplevel.outputs)};
}

ToplevelList::Toplevel* ToplevelList::find(zwlr_foreign_toplevel_handle_v1* proxy) {
    auto found = mToplevels.find(proxy);
    return found == mToplevels.end() ? nullptr : found->second.get();
}

void ToplevelList::handleToplevel(void* data, zwlr_foreign_toplevel_manager_v1*,
                                  zwlr_foreign_toplevel_handle_v1* proxy) {
    static constexpr zwlr_foreign_toplevel_handle_v1_listener kToplevelListener{
        handleTitle,
        handleAppId,
        handleOutputEnter,
        handleOutputLeave,
        handleState,
        [](void*, zwlr_foreign_toplevel_handle_v1*) {},
        handleClosed,
        [](void*, zwlr_foreign_toplevel_handle_v1*, zwlr_foreign_toplevel_handle_v1*) {}};
    auto* self = static_cast<ToplevelList*>(data);
    auto toplevel = std::make_unique<Toplevel>();
    toplevel->id = ++self->mLastId;
    zwlr_foreign_toplevel_handle_v1_add_listener(proxy, &kToplevelListener, self);
    self->mToplevels[proxy] = std::move(toplevel);
}

void ToplevelList::handleTitle(void* data, zwlr_foreign_toplevel_handle_v1* proxy,
                               const char* title) {
    if (Toplevel* toplevel = static_cast<ToplevelList*>(data)->find(proxy)) {
        toplevel->title = title;
    }
}

void ToplevelList::handleAppId(void* data, zwlr_foreign_toplevel_handle_v1* proxy,
                               const char* appId) {
    if (Toplevel* toplevel = static_cast<ToplevelList*>(data)->find(proxy)) {
        toplevel->appId = appId;
    }
}

void ToplevelList::handleOutputEnter(void* data, zwlr_foreign_toplevel_handle_v1* proxy,
                                     wl_output* output) {
    if (Toplevel* toplevel = static_cast<ToplevelList*>(data)->find(proxy)) {
        toplevel->outputs.insert(output);
    }
}

void ToplevelList::handleOutputLeave(void* data, zwlr_foreign_toplevel_handle_v1* proxy,
                                     wl_output* output) {
    if (Toplevel* toplevel = static_cast<ToplevelList*>(data)->find(proxy)) {
        toplevel->outputs.erase(output);
    }
}

void ToplevelList::handleState(void* data, zwlr_foreign_toplevel_handle_v1* proxy,
                               wl_array* states) {
    Toplevel* toplevel = static_cast<ToplevelList*>(data)->find(proxy);
    if (toplevel == nullptr) {
        return;
    }
    toplevel->activated = false;
    const auto* entries = static_cast<const std::uint32_t*>(states->data);
    for (std::size_t i = 0; i < states->size / sizeof(std::uint32_t); ++i) {
        if (entries[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED) {
            toplevel->activated = true;
        }
    }
}

void ToplevelList::handleClosed(void* data, zwlr_foreign_toplevel_handle_v1* proxy) {
    static_cast<ToplevelList*>(data)->mToplevels.erase(proxy);
    zwlr_foreign_toplevel_handle_v1_destroy(proxy);
}

}  // namespace korvane::wayland
