#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "desktop/DesktopError.h"

struct xkb_context;
struct xkb_keymap;

namespace korvane::wayland {

// The key that types a keysym on the keymap: an evdev key code, with Shift or without.
struct KeyStroke {
    std::uint32_t code = 0;
    bool shift = false;
};

// The keymap of the program's virtual keyboard: a US layout (xkb symbols "pc+us") whose key codes
// without symbols (127 of those up to 255, the last code X11 programs under XWayland can see) are
// spare keys, each given one character that the layout lacks while a text needs it. The keyboard
// is the program's own, so those keys stay as they are until another text needs other
// characters. Media keys are left out of the layout: nothing types through them, and their codes
// become spare keys.
//
// Not thread-safe; the virtual keyboard uses it on its session's thread.
class TypingKeymap {
  public:
    TypingKeymap() = default;
    ~TypingKeymap();
    TypingKeymap(const TypingKeymap&) = delete;
    TypingKeymap& operator=(const TypingKeymap&) = delete;

    // Compiles the layout; a Keys error with the reason (for the log) when xkbcommon cannot.
    DesktopError create();

    // The keymap as text in the xkb format a virtual keyboard uploads.
    const std::string& text() const { return mText; }
    // The modifier masks of Control and Shift on this keymap.
    std::uint32_t controlMask() const { return mControlMask; }
    std::uint32_t shiftMask() const { return mShiftMask; }
    std::size_t spareKeys() const { return mSpares.size(); }

    // The key typing `keysym` on the keymap now; none when the keymap has no such key.
    std::optional<KeyStroke> find(std::uint32_t keysym) const;

    // Gives the spare keys to the characters `upcoming` needs first: from the front, each keysym
    // the layout lacks, as many as there are spare keys; those of the last keymap that are still
    // needed, and then those that fill the rest, stay. A Keys error when there is no spare key or
    // the new keymap does not compile (the old one stays then).
    DesktopError remap(const std::vector<std::uint32_t>& upcoming);

  private:
    DesktopError compile(const std::vector<std::uint32_t>& extras);
    // Reads the layout's own keys and its spare keys off the compiled keymap.
    void readKeys();

    xkb_context* mContext = nullptr;
    xkb_keymap* mKeymap = nullptr;
    std::string mText;
    std::uint32_t mControlMask = 0;
    std::uint32_t mShiftMask = 0;
    // The layout's own keys, and the spare keys (xkb key codes and names) in code order.
    std::map<std::uint32_t, KeyStroke> mLayout;
    std::vector<std::pair<std::uint32_t, std::string>> mSpares;
    // The keysyms on the spare keys now, the first spare key's first.
    std::vector<std::uint32_t> mExtras;
};

}  // namespace korvane::wayland
