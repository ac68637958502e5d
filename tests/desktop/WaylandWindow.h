#pragma once

#include <string>

struct wl_buffer;
struct wl_compositor;
struct wl_display;
struct wl_registry;
struct wl_shm;
struct wl_surface;
struct xdg_surface;
struct xdg_toplevel;
struct xdg_wm_base;

namespace korvane::test {

// A toplevel window of this very process on the compositor of WAYLAND_DISPLAY: xdg-shell, one
// white shared-memory picture, the given app id and title. It is mapped once the constructor
// returns `ok()`; the compositor's messages are read only in the constructor and `pump`.
class WaylandWindow {
  public:
    WaylandWindow(const std::string& appId, const std::string& title);
    ~WaylandWindow();
    WaylandWindow(const WaylandWindow&) = delete;
    WaylandWindow& operator=(const WaylandWindow&) = delete;

    bool ok() const { return mMapped; }
    // Answers what the compositor sent meanwhile (a ping, a new configure).
    void pump();

  private:
    static void handleGlobal(void* data, wl_registry* registry, unsigned name,
                             const char* interface, unsigned version);

    wl_display* mDisplay = nullptr;
    wl_registry* mRegistry = nullptr;
    wl_compositor* mCompositor = nullptr;
    wl_shm* mShm = nullptr;
    xdg_wm_base* mWmBase = nullptr;
    wl_surface* mSurface = nullptr;
    xdg_surface* mXdgSurface = nullptr;
    xdg_toplevel* mToplevel = nullptr;
    wl_buffer* mBuffer = nullptr;
    bool mConfigured = false;
    bool mMapped = false;
};

}  // namespace korvane::test
