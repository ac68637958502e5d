#include "desktop/wayland/WlrootsConnection.h"

#include <wayland-client.h>

#include <algorithm>
#include <cstring>
#include <utility>

#include "protocols/virtual-keyboard-unstable-v1-client-protocol.h"
#include "protocols/wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"
#include "protocols/wlr-screencopy-unstable-v1-client-protocol.h"
#include "protocols/xdg-output-unstable-v1-client-protocol.h"

namespace korvane::wayland {

WlrootsConnection::WlrootsConnection(const std::string& displayName) : mSession(displayName) {
    wl_display* display = mSession.display();
    if (display == nullptr) {
        return;
    }
    static constexpr wl_registry_listener kRegistryListener{
        handleGlobal,
        // An output that goes away keeps its proxy until the connection ends; its rectangle is
        // still asked for nothing worse than a black part of the picture.
        [](void*, wl_registry*, std::uint32_t) {}};
    mRegistry = wl_display_get_registry(display);
    wl_registry_add_listener(mRegistry, &kRegistryListener, this);
    // The globals, then what the bound ones tell at once (outputs, toplevels).
    if (wl_display_roundtrip(display) < 0 || wl_display_roundtrip(display) < 0) {
        mSession.refuse(WaylandSession::kDisplayLost);
        return;
    }
    if (mSeat == nullptr || mKeyboardManager == nullptr || !mToplevels.listening() ||
        mScreencopy == nullptr || mShm == nullptr) {
        mSession.refuse(
            "コンポジターに wlroots のプロトコル (仮想キーボード、ウィンドウ一覧、画面コピー) "
            "がありません。");
        return;
    }
    mKeyboard.emplace(mSession, std::exchange(mKeyboardManager, nullptr),
                      std::exchange(mSeat, nullptr));
    mCopier.emplace(mSession, std::exchange(mScreencopy, nullptr), std::exchange(mShm, nullptr));
    if (DesktopError failed = mKeyboard->create()) {
        mSession.refuse(failed.message());
        return;
    }
    mSession.start();
}

WlrootsConnection::~WlrootsConnection() {
    // The client library leaves the proxies to their owner; the compositor drops the objects of a
    // closed connection by itself.
    mSession.stop();
    if (mKeyboardManager != nullptr) {
        zwp_virtual_keyboard_manager_v1_destroy(mKeyboardManager);
    }
    if (mScreencopy != nullptr) {
        zwlr_screencopy_manager_v1_destroy(mScreencopy);
    }
    if (mShm != nullptr) {
        wl_shm_destroy(mShm);
    }
    if (mSeat != nullptr) {
        wl_seat_destroy(mSeat);
    }
    if (mRegistry != nullptr) {
        wl_registry_destroy(mRegistry);
    }
}

void WlrootsConnection::handleGlobal(void* data, wl_registry* registry, std::uint32_t name,
                                     const char* interface, std::uint32_t version) {
    auto* self = static_cast<WlrootsConnection*>(data);
    auto is = [&](const wl_interface& wanted) { return std::strcmp(interface, wanted.name) == 0; };
    auto bind = [&](const wl_interface& wanted, std::uint32_t highest) {
        return wl_registry_bind(registry, name, &wanted, std::min(version, highest));
    };
    if (is(wl_seat_interface) && self->mSeat == nullptr) {
        self->mSeat = static_cast<wl_seat*>(bind(wl_seat_interface, 1));
    } else if (is(wl_shm_interface)) {
        self->mShm = static_cast<wl_shm*>(bind(wl_shm_interface, 1));
    } else if (is(wl_output_interface)) {
        self->mOutputs.add(static_cast<wl_output*>(bind(wl_output_interface, 1)));
    } else if (is(zxdg_output_manager_v1_interface)) {
        self->mOutputs.useXdgOutputs(
            static_cast<zxdg_output_manager_v1*>(bind(zxdg_output_manager_v1_interface, 2)));
    } else if (is(zwp_virtual_keyboard_manager_v1_interface)) {
        self->mKeyboardManager = static_cast<zwp_virtual_keyboard_manager_v1*>(
            bind(zwp_virtual_keyboard_manager_v1_interface, 1));
    } else if (is(zwlr_foreign_toplevel_manager_v1_interface)) {
        self->mToplevels.listen(static_cast<zwlr_foreign_toplevel_manager_v1*>(
            bind(zwlr_foreign_toplevel_manager_v1_interface, 1)));
    } else if (is(zwlr_screencopy_manager_v1_interface)) {
        self->mScreencopy =
            static_cast<zwlr_screencopy_manager_v1*>(bind(zwlr_screencopy_manager_v1_interface, 1));
    }
}

}  // namespace korvane::wayland
