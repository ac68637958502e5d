#include "desktop/wayland/TypingKeymap.h"

#include <gtest/gtest.h>
#include <xkbcommon/xkbcommon-keysyms.h>
#include <xkbcommon/xkbcommon.h>

#include <memory>

#include "desktop/wayland/TextKeysyms.h"

namespace korvane::wayland {
namespace {

constexpr std::uint32_t kKanji = 0x1006F22;        // 漢
constexpr std::uint32_t kBeyond16Bit = 0x1020BB7;  // 𠮷
constexpr std::uint32_t kReplacement = 0x100FFFD;

TEST(TextKeysymsTest, CharactersLineBreaksAndControls) {
    const struct {
        std::string text;
        std::vector<std::uint32_t> keysyms;
    } cases[] = {
        {"aA-1 ", {XKB_KEY_a, XKB_KEY_A, XKB_KEY_minus, XKB_KEY_1, XKB_KEY_space}},
        {"é漢𠮷", {XKB_KEY_eacute, kKanji, kBeyond16Bit}},
        {"a\r\nb\rc\nd\te",
         {XKB_KEY_a, XKB_KEY_Return, XKB_KEY_b, XKB_KEY_Return, XKB_KEY_c, XKB_KEY_Return,
          XKB_KEY_d, XKB_KEY_Tab, XKB_KEY_e}},
        {"\x01\x1B\x7F\xC2\x85\xC2\x9F", {}},
        // Cut short, overlong, a surrogate: each bad byte is one U+FFFD.
        {"a\xE6\xBC", {XKB_KEY_a, kReplacement, kReplacement}},
        {"\xC0\xAF", {kReplacement, kReplacement}},
        {"\xED\xA0\x80z", {kReplacement, kReplacement, kReplacement, XKB_KEY_z}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(textKeysyms(c.text), c.keysyms) << c.text;
    }
}

// What a client makes of a stroke: the keymap text as uploaded, compiled again, with Shift held
// when the stroke says so.
std::uint32_t typedKeysym(const TypingKeymap& keymap, KeyStroke stroke) {
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    xkb_keymap* compiled = xkb_keymap_new_from_string(
        context, keymap.text().c_str(), XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
    xkb_context_unref(context);
    if (compiled == nullptr) {
        ADD_FAILURE() << "the keymap text does not compile";
        return 0;
    }
    xkb_state* state = xkb_state_new(compiled);
    xkb_state_update_mask(state, stroke.shift ? keymap.shiftMask() : 0, 0, 0, 0, 0, 0);
    const xkb_keysym_t keysym = xkb_state_key_get_one_sym(state, stroke.code + 8);
    xkb_state_unref(state);
    xkb_keymap_unref(compiled);
    return keysym;
}

TEST(TypingKeymapTest, EveryKeysymIsTypedByItsStroke) {
    TypingKeymap keymap;
    ASSERT_EQ(keymap.create().message(), "");
    ASSERT_GE(keymap.spareKeys(), 100u);
    EXPECT_EQ(keymap.find(kKanji), std::nullopt);

    const std::vector<std::uint32_t> text = {XKB_KEY_a,      XKB_KEY_A,   XKB_KEY_asciitilde,
                                             XKB_KEY_Return, XKB_KEY_Tab, XKB_KEY_eacute,
                                             kKanji,         kBeyond16Bit};
    ASSERT_EQ(keymap.remap(text).message(), "");
    for (std::uint32_t keysym : text) {
        const std::optional<KeyStroke> stroke = keymap.find(keysym);
        ASSERT_TRUE(stroke.has_value()) << std::hex << keysym;
        EXPECT_EQ(typedKeysym(keymap, *stroke), keysym) << std::hex << keysym;
    }
    EXPECT_TRUE(keymap.find(XKB_KEY_A)->shift);
    EXPECT_FALSE(keymap.find(kKanji)->shift);
}

// A text with more new characters than spare keys gets the first ones; the next keymap puts the
// next ones first and keeps earlier ones in the keys left over.
TEST(TypingKeymapTest, SpareKeysGoToTheCharactersNeededFirst) {
    TypingKeymap keymap;
    ASSERT_EQ(keymap.create().message(), "");
    std::vector<std::uint32_t> many;
    for (std::uint32_t point = 0x4E00; many.size() < keymap.spareKeys() + 10; ++point) {
        many.push_back(0x01000000 + point);
    }
    ASSERT_EQ(keymap.remap(many).message(), "");
    EXPECT_TRUE(keymap.find(many.front()).has_value());
    EXPECT_TRUE(keymap.find(many[keymap.spareKeys() - 1]).has_value());
    EXPECT_FALSE(keymap.find(many.back()).has_value());

    const std::vector<std::uint32_t> rest(many.end() - 10, many.end());
    ASSERT_EQ(keymap.remap(rest).message(), "");
    for (std::uint32_t keysym : rest) {
        ASSERT_TRUE(keymap.find(keysym).has_value());
        EXPECT_EQ(typedKeysym(keymap, *keymap.find(keysym)), keysym);
    }
    EXPECT_TRUE(keymap.find(many.front()).has_value()) << "an earlier character was dropped";
}

}  // namespace
}  // namespace korvane::wayland
