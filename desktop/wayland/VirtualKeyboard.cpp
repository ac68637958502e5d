#include "desktop/wayland/VirtualKeyboard.h"

#include <linux/input-event-codes.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <optional>

#include "protocols/virtual-keyboard-unstable-v1-client-protocol.h"

namespace korvane::wayland {

namespace {

using namespace std::chrono_literals;

constexpr auto kKeyboardSettle = 500ms;

std::uint32_t nowMs() {
    return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          WaylandSession::Clock::now().time_since_epoch())
                                          .count());
}

// The evdev code of a key of the US keymap uploaded with the keyboard.
std::uint32_t evdevCode(VirtualKey key) {
    switch (key) {
        case VirtualKey::Tab:
            return KEY_TAB;
        case VirtualKey::Return:
            return KEY_ENTER;
        case VirtualKey::F2:
            return KEY_F2;
        case VirtualKey::NoKey:
            break;
    }
    return 0;
}

}  // namespace

VirtualKeyboard::~VirtualKeyboard() {
    if (mKeyboard != nullptr) {
        zwp_virtual_keyboard_v1_destroy(mKeyboard);
    }
    zwp_virtual_keyboard_manager_v1_destroy(mManager);
    wl_seat_destroy(mSeat);
}

DesktopError VirtualKeyboard::create() {
    if (DesktopError failed = mKeymap.create()) {
        return failed;
    }
    mKeyboard = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(mManager, mSeat);
    if (DesktopError failed = upload()) {
        return failed;
    }
    if (wl_display_roundtrip(mSession.display()) < 0) {
        return DesktopError(DesktopError::Kind::Unavailable, WaylandSession::kDisplayLost);
    }
    mMade = WaylandSession::Clock::now();
    return {};
}

DesktopError VirtualKeyboard::upload() {
    const std::string& text = mKeymap.text();
    const std::size_t size = text.size() + 1;
    const int fd = ::memfd_create("korvane-keymap", MFD_CLOEXEC);
    if (fd < 0 || ::write(fd, text.c_str(), size) != static_cast<ssize_t>(size)) {
        if (fd >= 0) {
            ::close(fd);
        }
        return DesktopError(DesktopError::Kind::Keys, "キーボード配列を渡せません。");
    }
    zwp_virtual_keyboard_v1_keymap(mKeyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd,
                                   static_cast<std::uint32_t>(size));
    ::close(fd);
    return {};
}

void VirtualKeyboard::settle() {
    const auto settled = mMade + kKeyboardSettle;
    if (WaylandSession::Clock::now() < settled) {
        mSession.waitUntil([] { return false; }, settled);
    }
}

DesktopError VirtualKeyboard::handled() {
    if (!mSession.sync()) {
        return DesktopError(DesktopError::Kind::Unavailable, kNoAnswer);
    }
    return {};
}

DesktopError VirtualKeyboard::press(VirtualKey key) {
    settle();
    stroke(KeyStroke{evdevCode(key), false}, 0, 0);
    return handled();
}

DesktopError VirtualKeyboard::pressControlV() {
    settle();
    stroke(KeyStroke{KEY_V, false}, KEY_LEFTCTRL, mKeymap.controlMask());
    return handled();
}

DesktopError VirtualKeyboard::type(const std::vector<std::uint32_t>& keysyms,
                                   std::chrono::milliseconds keyDelay) {
    settle();
    bool shiftDown = false;
    for (std::size_t i = 0; i < keysyms.size(); ++i) {
        if (i > 0 && keyDelay.count() > 0) {
            mSession.waitUntil([] { return false; }, WaylandSession::Clock::now() + keyDelay);
        }
        std::optional<KeyStroke> key = mKeymap.find(keysyms[i]);
        if (!key) {
            // A new keymap starts the keyboard's modifiers afresh.
            holdShift(shiftDown, false);
            const std::vector<std::uint32_t> upcoming(keysyms.begin() + static_cast<long>(i),
                                                      keysyms.end());
            if (DesktopError failed = mKeymap.remap(upcoming)) {
                return failed;
            }
            if (DesktopError failed = upload()) {
                return failed;
            }
            key = mKeymap.find(keysyms[i]);
        }
        if (key) {
            holdShift(shiftDown, key->shift);
            stroke(*key, 0, 0);
        }
    }
    holdShift(shiftDown, false);
    return handled();
}

// Shift pressed or released only where the next key needs it otherwise: each change costs a
// client as much as a character (GTK redraws the entry).
void VirtualKeyboard::holdShift(bool& down, bool wanted) {
    if (down == wanted) {
        return;
    }
    zwp_virtual_keyboard_v1_key(
        mKeyboard, nowMs(), KEY_LEFTSHIFT,
        wanted ? WL_KEYBOARD_KEY_STATE_PRESSED : WL_KEYBOARD_KEY_STATE_RELEASED);
    zwp_virtual_keyboard_v1_modifiers(mKeyboard, wanted ? mKeymap.shiftMask() : 0, 0, 0, 0);
    down = wanted;
}

// A key with its modifier held around it, the modifier state set as a real key would set it.
void VirtualKeyboard::stroke(KeyStroke key, std::uint32_t modifier, std::uint32_t mask) {
    if (mask != 0) {
        zwp_virtual_keyboard_v1_key(mKeyboard, nowMs(), modifier, WL_KEYBOARD_KEY_STATE_PRESSED);
        zwp_virtual_keyboard_v1_modifiers(mKeyboard, mask, 0, 0, 0);
    }
    zwp_virtual_keyboard_v1_key(mKeyboard, nowMs(), key.code, WL_KEYBOARD_KEY_STATE_PRESSED);
    zwp_virtual_keyboard_v1_key(mKeyboard, nowMs(), key.code, WL_KEYBOARD_KEY_STATE_RELEASED);
    if (mask != 0) {
        zwp_virtual_keyboard_v1_key(mKeyboard, nowMs(), modifier, WL_KEYBOARD_KEY_STATE_RELEASED);
        zwp_virtual_keyboard_v1_modifiers(mKeyboard, 0, 0, 0, 0);
    }
}

}  // namespace korvane::wayland
