#include "desktop/wayland/TypingKeymap.h"

#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <cstdlib>

namespace korvane::wayland {

namespace {

// X11 programs under XWayland see key codes up to 255 only.
constexpr xkb_keycode_t kLastKeyCode = 255;
// xkb key codes are evdev codes plus 8.
constexpr xkb_keycode_t kEvdevOffset = 8;

std::string keysymName(std::uint32_t keysym) {
    char name[64] = {};
    if (xkb_keysym_get_name(keysym, name, sizeof name) <= 0) {
        return "NoSymbol";
    }
    return name;
}

}  // namespace

TypingKeymap::~TypingKeymap() {
    if (mKeymap != nullptr) {
        xkb_keymap_unref(mKeymap);
    }
    if (mContext != nullptr) {
        xkb_context_unref(mContext);
    }
}

DesktopError TypingKeymap::create() {
    mContext = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    if (mContext == nullptr) {
        return DesktopError(DesktopError::Kind::Keys, "xkb の初期化に失敗しました。");
    }
    if (DesktopError failed = compile({})) {
        return failed;
    }
    readKeys();
    return {};
}

void TypingKeymap::readKeys() {
    mControlMask = 1u << xkb_keymap_mod_get_index(mKeymap, XKB_MOD_NAME_CTRL);
    mShiftMask = 1u << xkb_keymap_mod_get_index(mKeymap, XKB_MOD_NAME_SHIFT);
    const xkb_keycode_t last = std::min(xkb_keymap_max_keycode(mKeymap), kLastKeyCode);
    for (xkb_keycode_t code = xkb_keymap_min_keycode(mKeymap); code <= last; ++code) {
        const char* name = xkb_keymap_key_get_name(mKeymap, code);
        if (name == nullptr || code < kEvdevOffset) {
            continue;
        }
        if (xkb_keymap_num_layouts_for_key(mKeymap, code) == 0) {
            mSpares.emplace_back(code, name);
            continue;
        }
        for (xkb_level_index_t level = 0; level < xkb_keymap_num_levels_for_key(mKeymap, code, 0);
             ++level) {
            const xkb_keysym_t* symbols = nullptr;
            if (xkb_keymap_key_get_syms_by_level(mKeymap, code, 0, level, &symbols) != 1) {
                continue;
            }
            // Only levels that Shift alone or no modifier reaches: a level behind Lock or NumLock
            // would depend on a state the keyboard does not send.
            xkb_mod_mask_t masks[8] = {};
            const std::size_t count =
                xkb_keymap_key_get_mods_for_level(mKeymap, code, 0, level, masks, 8);
            const bool plain = std::find(masks, masks + count, 0u) != masks + count;
            const bool shifted = std::find(masks, masks + count, mShiftMask) != masks + count;
            if (plain || shifted) {
                mLayout.try_emplace(symbols[0], KeyStroke{code - kEvdevOffset, !plain});
            }
        }
    }
}

std::optional<KeyStroke> TypingKeymap::find(std::uint32_t keysym) const {
    if (auto it = mLayout.find(keysym); it != mLayout.end()) {
        return it->second;
    }
    if (auto it = std::find(mExtras.begin(), mExtras.end(), keysym); it != mExtras.end()) {
        return KeyStroke{
            mSpares[static_cast<std::size_t>(it - mExtras.begin())].first - kEvdevOffset, false};
    }
    return std::nullopt;
}

DesktopError TypingKeymap::remap(const std::vector<std::uint32_t>& upcoming) {
    if (mSpares.empty()) {
        return DesktopError(DesktopError::Kind::Keys,
                            "キーボード配列にない文字を入力するための空きキーがありません。");
    }
    std::vector<std::uint32_t> extras;
    const auto add = [&](std::uint32_t keysym) {
        if (extras.size() < mSpares.size() && mLayout.count(keysym) == 0 &&
            std::find(extras.begin(), extras.end(), keysym) == extras.end()) {
            extras.push_back(keysym);
        }
    };
    for (std::uint32_t keysym : upcoming) {
        add(keysym);
    }
    for (std::uint32_t keysym : mExtras) {
        add(keysym);
    }
    return compile(extras);
}

DesktopError TypingKeymap::compile(const std::vector<std::uint32_t>& extras) {
    // What the rules evdev / pc105 / us name, less the media keys of inet(evdev).
    std::string source =
        "xkb_keymap {\n"
        "  xkb_keycodes { include \"evdev+aliases(qwerty)\" };\n"
        "  xkb_types { include \"complete\" };\n"
        "  xkb_compat { include \"complete\" };\n"
        "  xkb_symbols {\n"
        "    include \"pc+us\"\n";
    for (std::size_t i = 0; i < extras.size(); ++i) {
        source += "    key <" + mSpares[i].second + "> { [ " + keysymName(extras[i]) + " ] };\n";
    }
    source += "  };\n};\n";
    xkb_keymap* keymap = xkb_keymap_new_from_string(
        mContext, source.c_str(), XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
    const DesktopError uncompiled(DesktopError::Kind::Keys,
                                  "キーボード配列 (us) を作成できません。");
    if (keymap == nullptr) {
        return uncompiled;
    }
    char* text = xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1);
    if (text == nullptr) {
        xkb_keymap_unref(keymap);
        return uncompiled;
    }
    mText = text;
    std::free(text);
    if (mKeymap != nullptr) {
        xkb_keymap_unref(mKeymap);
    }
    mKeymap = keymap;
    mExtras = extras;
    return {};
}

}  // namespace korvane::wayland
