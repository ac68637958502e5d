#include "tests/desktop/WaylandWindow.h"

#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "xdg-shell-client-protocol.h"

namespace korvane::test {

namespace {

constexpr int kWidth = 240;
constexpr int kHeight = 120;

void handlePing(void*, xdg_wm_base* base, std::uint32_t serial) {
    xdg_wm_base_pong(base, serial);
}

void handleConfigure(void* data, xdg_surface* surface, std::uint32_t serial) {
    xdg_surface_ack_configure(surface, serial);
    *static_cast<bool*>(data) = true;
}

constexpr xdg_wm_base_listener kWmBaseListener{handlePing};
constexpr xdg_surface_listener kSurfaceListener{handleConfigure};
constexpr xdg_toplevel_listener kToplevelListener{
    [](void*, xdg_toplevel*, std::int32_t, std::int32_t, wl_array*) {},
    [](void*, xdg_toplevel*) {}};

}  // namespace

void WaylandWindow::handleGlobal(void* data, wl_registry* registry, unsigned name,
                                 const char* interface, unsigned version) {
    auto* self = static_cast<WaylandWindow*>(data);
    if (std::strcmp(interface, wl_compositor_interface.name) == 0) {
        self->mCompositor = static_cast<wl_compositor*>(
            wl_registry_bind(registry, name, &wl_compositor_interface, std::min(version, 4u)));
    } else if (std::strcmp(interface, wl_shm_interface.name) == 0) {
        self->mShm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
    } else if (std::strcmp(interface, xdg_wm_base_interface.name) == 0) {
        self->mWmBase =
            static_cast<xdg_wm_base*>(wl_registry_bind(registry, name, &xdg_wm_base_interface, 1));
        xdg_wm_base_add_listener(self->mWmBase, &kWmBaseListener, self);
    }
}

WaylandWindow::WaylandWindow(const std::string& appId, const std::string& title) {
    mDisplay = wl_display_connect(nullptr);
    if (mDisplay == nullptr) {
        return;
    }
    static constexpr wl_registry_listener kRegistryListener{
        handleGlobal, [](void*, wl_registry*, std::uint32_t) {}};
    mRegistry = wl_display_get_registry(mDisplay);
    wl_registry_add_listener(mRegistry, &kRegistryListener, this);
    if (wl_display_roundtrip(mDisplay) < 0 || mCompositor == nullptr || mShm == nullptr ||
        mWmBase == nullptr) {
        return;
    }
    mSurface = wl_compositor_create_surface(mCompositor);
    mXdgSurface = xdg_wm_base_get_xdg_surface(mWmBase, mSurface);
    xdg_surface_add_listener(mXdgSurface, &kSurfaceListener, &mConfigured);
    mToplevel = xdg_surface_get_toplevel(mXdgSurface);
    xdg_toplevel_add_listener(mToplevel, &kToplevelListener, this);
    xdg_toplevel_set_app_id(mToplevel, appId.c_str());
    xdg_toplevel_set_title(mToplevel, title.c_str());
    // The first commit carries no picture: the compositor answers with the first configure.
    wl_surface_commit(mSurface);
    while (!mConfigured) {
        if (wl_display_dispatch(mDisplay) < 0) {
            return;
        }
    }
    const int stride = kWidth * 4;
    const int size = stride * kHeight;
    const int fd = ::memfd_create("korvane-test-window", MFD_CLOEXEC);
    if (fd < 0 || ::ftruncate(fd, size) != 0) {
        if (fd >= 0) {
            ::close(fd);
        }
        return;
    }
    void* pixels = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (pixels != MAP_FAILED) {
        std::memset(pixels, 0xff, size);
        ::munmap(pixels, size);
    }
    wl_shm_pool* pool = wl_shm_create_pool(mShm, fd, size);
    mBuffer = wl_shm_pool_create_buffer(pool, 0, kWidth, kHeight, stride, WL_SHM_FORMAT_XRGB8888);
    wl_shm_pool_destroy(pool);
    ::close(fd);
    wl_surface_attach(mSurface, mBuffer, 0, 0);
    wl_surface_damage(mSurface, 0, 0, kWidth, kHeight);
    wl_surface_commit(mSurface);
    mMapped = pixels != MAP_FAILED && wl_display_roundtrip(mDisplay) >= 0;
}

WaylandWindow::~WaylandWindow() {
    if (mDisplay == nullptr) {
        return;
    }
    if (mToplevel != nullptr) {
        xdg_toplevel_destroy(mToplevel);
        xdg_surface_destroy(mXdgSurface);
        wl_surface_destroy(mSurface);
    }
    if (mBuffer != nullptr) {
        wl_buffer_destroy(mBuffer);
    }
    if (mWmBase != nullptr) {
        xdg_wm_base_destroy(mWmBase);
    }
    if (mShm != nullptr) {
        wl_shm_destroy(mShm);
    }
    if (mCompositor != nullptr) {
        wl_compositor_destroy(mCompositor);
    }
    wl_registry_destroy(mRegistry);
    wl_display_disconnect(mDisplay);
}

void WaylandWindow::pump() {
    if (mDisplay != nullptr) {
        wl_display_roundtrip(mDisplay);
    }
}

}  // namespace korvane::test
