#pragma once

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>

#include "desktop/Desktop.h"
#include "desktop/wayland/OutputList.h"

struct wl_array;
struct wl_output;
struct zwlr_foreign_toplevel_handle_v1;
struct zwlr_foreign_toplevel_manager_v1;

namespace korvane::wayland {

// What a caller learns of a toplevel; copied out of the thread that owns the list.
struct ToplevelView {
    std::string title;
    std::string appId;
    // The first output the window is on, when the compositor said.
    std::optional<Output> output;
};

// The toplevel windows of every client, as the compositor's foreign toplevel list tells them:
// title, app id, whether activated, and the outputs each is on. A toplevel's handle is a number
// counted from 1 for the life of this list (that is, of one connection). Used on the connection's
// reading thread only; owns the manager it is given and the toplevels' proxies.
class ToplevelList {
  public:
    explicit ToplevelList(const OutputList& outputs) : mOutputs(outputs) {}
    ~ToplevelList();
    ToplevelList(const ToplevelList&) = delete;
    ToplevelList& operator=(const ToplevelList&) = delete;

    // The manager just bound (version 1); the compositor lists its toplevels from then on.
    void listen(zwlr_foreign_toplevel_manager_v1* manager);
    bool listening() const { return mManager != nullptr; }

    // The toplevel the compositor says is activated, if any.
    std::optional<std::pair<WindowHandle, ToplevelView>> activated() const;
    // The toplevel of handle `id`, while it exists.
    std::optional<ToplevelView> find(WindowHandle id) const;

  private:
    struct Toplevel {
        WindowHandle id = 0;
        std::string title;
        std::string appId;
        bool activated = false;
        std::set<wl_output*> outputs;
    };

    ToplevelView viewOf(const Toplevel& toplevel) const;
    Toplevel* find(zwlr_foreign_toplevel_handle_v1* proxy);

    static void handleToplevel(void* data, zwlr_foreign_toplevel_manager_v1*,
                               zwlr_foreign_toplevel_handle_v1* proxy);
    static void handleTitle(void* data, zwlr_foreign_toplevel_handle_v1* proxy, const char* title);
    static void handleAppId(void* data, zwlr_foreign_toplevel_handle_v1* proxy, const char* appId);
    static void handleOutputEnter(void* data, zwlr_foreign_toplevel_handle_v1* proxy,
                                  wl_output* output);
    static void handleOutputLeave(void* data, zwlr_foreign_toplevel_handle_v1* proxy,
                                  wl_output* output);
    static void handleState(void* data, zwlr_foreign_toplevel_handle_v1* proxy, wl_array* states);
    static void handleClosed(void* data, zwlr_foreign_toplevel_handle_v1* proxy);

    const OutputList& mOutputs;
    zwlr_foreign_toplevel_manager_v1* mManager = nullptr;
    std::map<zwlr_foreign_toplevel_handle_v1*, std::unique_ptr<Toplevel>> mToplevels;
    WindowHandle mLastId = 0;
};

}  // namespace korvane::wayland
