#include "desktop/wayland/VirtualKeyboard.h"

#include <linux/input-event-codes.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdlib>
#include <cstring>

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
    if (mKeymap != nullptr) {
        xkb_keymap_unref(mKeymap);
    }
    if (mKeyboard != nullptr) {
        zwp_virtual_keyboard_v1_destroy(mKeyboard);
    }
    zwp_virtual_keyboard_manager_v1_destroy(mManager);
    wl_seat_destroy(mSeat);
}

bool VirtualKeyboard::create(std::string& error) {
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    if (context == nullptr) {
        error = "xkb の初期化に失敗しました。";
        return false;
    }
    const xkb_rule_names names{"evdev", "pc105", "us", "", ""};
    mKeymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
    xkb_context_unref(context);
    if (mKeymap == nullptr) {
        error = "キーボード配列 (us) を作成できません。";
        return false;
    }
    mControlMask = 1u << xkb_keymap_mod_get_index(mKeymap, XKB_MOD_NAME_CTRL);
    char* text = xkb_keymap_get_as_string(mKeymap, XKB_KEYMAP_FORMAT_TEXT_V1);
    const std::size_t size = std::strlen(text) + 1;
    const int fd = ::memfd_create("korvane-keymap", MFD_CLOEXEC);
    const bool written = fd >= 0 && ::write(fd, text, size) == static_cast<ssize_t>(size);
    std::free(text);
    if (!written) {
        if (fd >= 0) {
            ::close(fd);
        }
        error = "キーボード配列を渡せません。";
        return false;
    }
    mKeyboard = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(mManager, mSeat);
    zwp_virtual_keyboard_v1_keymap(mKeyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd,
                                   static_cast<std::uint32_t>(size));
    ::close(fd);
    if (wl_display_roundtrip(mSession.display()) < 0) {
        error = WaylandSession::kDisplayLost;
        return false;
    }
    mMade = WaylandSession::Clock::now();
    return true;
}

bool VirtualKeyboard::press(VirtualKey key) {
    return tap(evdevCode(key), false);
}

bool VirtualKeyboard::pressControlV() {
    return tap(KEY_V, true);
}

bool VirtualKeyboard::tap(std::uint32_t code, bool withControl) {
    const auto settled = mMade + kKeyboardSettle;
    if (WaylandSession::Clock::now() < settled) {
        mSession.waitUntil([] { return false; }, settled);
    }
    if (withControl) {
        zwp_virtual_keyboard_v1_key(mKeyboard, nowMs(), KEY_LEFTCTRL,
                                    WL_KEYBOARD_KEY_STATE_PRESSED);
        zwp_virtual_keyboard_v1_modifiers(mKeyboard, mControlMask, 0, 0, 0);
    }
    zwp_virtual_keyboard_v1_key(mKeyboard, nowMs(), code, WL_KEYBOARD_KEY_STATE_PRESSED);
    zwp_virtual_keyboard_v1_key(mKeyboard, nowMs(), code, WL_KEYBOARD_KEY_STATE_RELEASED);
    if (withControl) {
        zwp_virtual_keyboard_v1_key(mKeyboard, nowMs(), KEY_LEFTCTRL,
                                    WL_KEYBOARD_KEY_STATE_RELEASED);
        zwp_virtual_keyboard_v1_modifiers(mKeyboard, 0, 0, 0, 0);
    }
    return mSession.sync();
}

}  // namespace korvane::wayland
