#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "desktop/DesktopError.h"
#include "desktop/VirtualKey.h"
#include "desktop/wayland/TypingKeymap.h"
#include "desktop/wayland/WaylandSession.h"

struct wl_seat;
struct zwp_virtual_keyboard_manager_v1;
struct zwp_virtual_keyboard_v1;

namespace korvane::wayland {

// One virtual keyboard (zwp_virtual_keyboard_v1) on the seat, with a US keymap compiled by
// xkbcommon (TypingKeymap) and uploaded through a memfd, kept for the life of the connection.
// Characters the layout lacks are typed through spare keys: the keymap is uploaded again with
// them on it, and the compositor hands the new keymap to the focused client ahead of the keys
// that follow on the same connection.
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

    // What the keys' failure says when the compositor did not answer them.
    static constexpr const char* kNoAnswer =
        "[zwp_virtual_keyboard_v1.key]が失敗しました。コンポジターが応答しません。";

    // Makes the keymap and the keyboard and waits for the compositor to take them; the error
    // (for the log) when it could not.
    DesktopError create();

    // Presses and releases `key` (never NoKey); Control+V with the modifier state a client sees
    // from a real Control key. Each returns once the compositor has handled the keys; an
    // Unavailable error (kNoAnswer) when it did not answer.
    DesktopError press(VirtualKey key);
    DesktopError pressControlV();
    // Types `keysyms` one key after the other, `keyDelay` between two, Shift held through a run
    // of shifted ones, re-uploading the keymap whenever the next keysym is on no key of it;
    // returns once the compositor has handled them.
    // A Keys error with the reason when a keymap could not be made, Unavailable (kNoAnswer) when
    // the compositor did not answer.
    DesktopError type(const std::vector<std::uint32_t>& keysyms,
                      std::chrono::milliseconds keyDelay);

  private:
    // Waits out the time a new keyboard needs before its first key.
    void settle();
    DesktopError upload();
    // The keys sent so far handled by the compositor, or the Unavailable error.
    DesktopError handled();
    void stroke(KeyStroke key, std::uint32_t modifier, std::uint32_t mask);
    // Presses or releases Shift, with the modifier state, when `down` is not `wanted`.
    void holdShift(bool& down, bool wanted);

    WaylandSession& mSession;
    zwp_virtual_keyboard_manager_v1* mManager;
    wl_seat* mSeat;
    zwp_virtual_keyboard_v1* mKeyboard = nullptr;
    TypingKeymap mKeymap;
    WaylandSession::Clock::time_point mMade;
};

}  // namespace korvane::wayland
