#pragma once

#include <cstdint>
#include <string>

#include "desktop/VirtualKey.h"
#include "desktop/wayland/WaylandSession.h"

struct wl_seat;
struct xkb_keymap;
struct zwp_virtual_keyboard_manager_v1;
struct zwp_virtual_keyboard_v1;

namespace korvane::wayland {

// One virtual keyboard (zwp_virtual_keyboard_v1) on the seat, with a US keymap compiled by
// xkbcommon and uploaded through a memfd, kept for the life of the connection.
//
// A client learns that the seat has a keyboard only when the compositor announces the new one,
// and asks for its keyboard object a round trip later: a key sent before then reaches no one. With
// no other keyboard on the seat (a headless session, or a machine without one) the first keys of a
// new virtual keyboard were lost that way; this keyboard waits 500 ms after its creation before
// its first key.
//
// Owns the manager and seat it is given. `create` runs on the owner's thread before the session's
// thread starts; the keys on the session's thread.
class VirtualKeyboard {
  public:
    VirtualKeyboard(WaylandSession& session, zwp_virtual_keyboard_manager_v1* manager,
                    wl_seat* seat)
        : mSession(session), mManager(manager), mSeat(seat) {}
    ~VirtualKeyboard();
    VirtualKeyboard(const VirtualKeyboard&) = delete;
    VirtualKeyboard& operator=(const VirtualKeyboard&) = delete;

    // Makes the keymap and the keyboard and waits for the compositor to take them; false with
    // the reason (for the log) when it could not.
    bool create(std::string& error);

    // Presses and releases `key` (never NoKey); Control+V with the modifier state a client sees
    // from a real Control key. Each returns once the compositor has handled the keys; false when
    // it did not answer.
    bool press(VirtualKey key);
    bool pressControlV();

  private:
    bool tap(std::uint32_t code, bool withControl);

    WaylandSession& mSession;
    zwp_virtual_keyboard_manager_v1* mManager;
    wl_seat* mSeat;
    zwp_virtual_keyboard_v1* mKeyboard = nullptr;
    xkb_keymap* mKeymap = nullptr;
    std::uint32_t mControlMask = 0;
    WaylandSession::Clock::time_point mMade;
};

}  // namespace korvane::wayland
