#pragma once

#include <optional>
#include <string>

#include "desktop/wayland/OutputList.h"
#include "desktop/wayland/ScreenCopier.h"
#include "desktop/wayland/ToplevelList.h"
#include "desktop/wayland/VirtualKeyboard.h"
#include "desktop/wayland/WaylandSession.h"

struct wl_registry;
struct wl_seat;
struct wl_shm;
struct zwlr_screencopy_manager_v1;
struct zwp_virtual_keyboard_manager_v1;

namespace korvane::wayland {

// Everything the wlroots desktop holds on one connection to the compositor: the session and its
// reading thread, the outputs, the toplevel list, the virtual keyboard and the screen copier.
// They are made together and dropped together; once the compositor drops the connection the
// owner makes a new one.
//
// The constructor binds the globals, waits for what they tell at once (outputs, toplevels) and
// makes the keyboard; `session().failure()` then says whether all of that worked. The parts are
// used only in tasks given to `session().run`, on the session's thread.
class WlrootsConnection {
  public:
    explicit WlrootsConnection(const std::string& displayName);
    ~WlrootsConnection();
    WlrootsConnection(const WlrootsConnection&) = delete;
    WlrootsConnection& operator=(const WlrootsConnection&) = delete;

    WaylandSession& session() { return mSession; }
    const OutputList& outputs() const { return mOutputs; }
    const ToplevelList& toplevels() const { return mToplevels; }
    VirtualKeyboard& keyboard() { return *mKeyboard; }
    ScreenCopier& copier() { return *mCopier; }

  private:
    static void handleGlobal(void* data, wl_registry* registry, std::uint32_t name,
                             const char* interface, std::uint32_t version);

    WaylandSession mSession;
    wl_registry* mRegistry = nullptr;
    OutputList mOutputs;
    ToplevelList mToplevels{mOutputs};
    std::optional<VirtualKeyboard> mKeyboard;
    std::optional<ScreenCopier> mCopier;
    // Bound, and not yet handed to the part that owns them.
    wl_seat* mSeat = nullptr;
    wl_shm* mShm = nullptr;
    zwp_virtual_keyboard_manager_v1* mKeyboardManager = nullptr;
    zwlr_screencopy_manager_v1* mScreencopy = nullptr;
};

}  // namespace korvane::wayland
