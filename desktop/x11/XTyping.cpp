#include "desktop/x11/XTyping.h"

#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <map>
#include <optional>
#include <thread>
#include <vector>

#include "desktop/x11/XErrorTrap.h"
#include "desktop/x11/XKeys.h"
#include "platform/Utf8.h"

namespace korvane::x11 {
namespace {

// Time for a client that cannot be asked to handle a mapping change before the keys typed with
// it, and those keys before the next change: a client that read a key with an older or a later
// mapping would show the wrong character.
constexpr auto kMappingSettle = std::chrono::milliseconds(250);

// The keysym that types `point`: Latin-1 keysyms are the code points, the rest of Unicode sits
// at 0x01000000 + code point.
KeySym keysymOf(char32_t point) {
    if ((point >= 0x20 && point <= 0x7E) || (point >= 0xA0 && point <= 0xFF)) {
        return point;
    }
    return 0x01000000 | point;
}

struct KeyStroke {
    KeyCode code = 0;
    bool shift = false;
};

// The layout's first two levels, read once per text, and its spare key codes.
class KeyTable {
  public:
    explicit KeyTable(Display* display) : mShift(XKeysymToKeycode(display, XK_Shift_L)) {
        int min = 0;
        int max = 0;
        XDisplayKeycodes(display, &min, &max);
        int perCode = 0;
        KeySym* symbols =
            XGetKeyboardMapping(display, static_cast<KeyCode>(min), max - min + 1, &perCode);
        if (symbols == nullptr) {
            return;
        }
        for (int code = min; code <= max; ++code) {
            const KeySym* row = symbols + static_cast<std::ptrdiff_t>(code - min) * perCode;
            bool empty = true;
            for (int level = 0; level < perCode; ++level) {
                if (row[level] == NoSymbol) {
                    continue;
                }
                empty = false;
                if (level < 2) {
                    mStrokes.try_emplace(row[level],
                                         KeyStroke{static_cast<KeyCode>(code), level == 1});
                }
            }
            if (empty) {
                mSpares.push_back(static_cast<KeyCode>(code));
            }
        }
        XFree(symbols);
    }

    // The layout's key for `symbol`; none when it has none, or it is on the shifted level and
    // the layout has no Shift.
    std::optional<KeyStroke> find(KeySym symbol) const {
        auto it = mStrokes.find(symbol);
        if (it == mStrokes.end() || (it->second.shift && mShift == 0)) {
            return std::nullopt;
        }
        return it->second;
    }
    KeyCode shift() const { return mShift; }
    const std::vector<KeyCode>& spares() const { return mSpares; }

  private:
    KeyCode mShift;
    std::map<KeySym, KeyStroke> mStrokes;
    std::vector<KeyCode> mSpares;
};

// Key presses, Shift held down through a run of shifted characters rather than pressed around
// each: every change of Shift costs a client as much as a character (GTK redraws the entry).
class Strokes {
  public:
    Strokes(Display* display, KeyCode shift) : mDisplay(display), mShift(shift) {}

    void press(KeyCode code, bool shifted) {
        if (shifted != mShiftDown) {
            XTestFakeKeyEvent(mDisplay, mShift, shifted ? True : False, CurrentTime);
            mShiftDown = shifted;
        }
        XTestFakeKeyEvent(mDisplay, code, True, CurrentTime);
        XTestFakeKeyEvent(mDisplay, code, False, CurrentTime);
    }
    void releaseShift() {
        if (mShiftDown) {
            XTestFakeKeyEvent(mDisplay, mShift, False, CurrentTime);
            mShiftDown = false;
        }
    }

  private:
    Display* mDisplay;
    KeyCode mShift;
    bool mShiftDown = false;
};

// The spare keys and the characters they carry while a text is typed. A key typed on is given
// another character only once the client has handled that key, or, when it cannot be asked, once
// the pause has passed since; the keys typed on longest ago are given new characters first.
class SpareKeys {
  public:
    SpareKeys(Display* display, const std::vector<KeyCode>& codes, const KeysHandled& keysHandled)
        : mDisplay(display), mKeysHandled(keysHandled) {
        for (KeyCode code : codes) {
            mKeys.push_back(Key{code});
        }
    }

    bool none() const { return mKeys.empty(); }

    // The spare key that types `symbols[at]`. When no key carries it, keys are given the
    // characters the text needs from there on that the layout lacks, as many as there are keys;
    // characters already on a key keep it.
    KeyCode keyFor(const std::vector<KeySym>& symbols, std::size_t at, const KeyTable& layout) {
        if (Key* key = carrying(symbols[at])) {
            return key->code;
        }
        std::vector<KeySym> missing;
        std::vector<KeySym> wanted;
        for (std::size_t i = at; i < symbols.size() && wanted.size() < mKeys.size(); ++i) {
            if (!layout.find(symbols[i]) &&
                std::find(wanted.begin(), wanted.end(), symbols[i]) == wanted.end()) {
                wanted.push_back(symbols[i]);
                if (carrying(symbols[i]) == nullptr) {
                    missing.push_back(symbols[i]);
                }
            }
        }
        std::vector<Key*> free;
        for (Key& key : mKeys) {
            if (std::find(wanted.begin(), wanted.end(), key.on) == wanted.end()) {
                free.push_back(&key);
            }
        }
        std::stable_sort(free.begin(), free.end(),
                         [](const Key* a, const Key* b) { return a->typedAt < b->typedAt; });
        free.resize(missing.size());
        give(free, missing);
        // A client may read the keys that follow as soon as they come, and with the mapping it
        // has then (Tk under load did): they wait for it to have handled the change.
        XSync(mDisplay, False);
        if (!mKeysHandled()) {
            std::this_thread::sleep_for(kMappingSettle);
        }
        return carrying(symbols[at])->code;
    }

    void typed(KeyCode code) {
        for (Key& key : mKeys) {
            if (key.code == code) {
                key.unhandled = true;
                key.typedAt = Clock::now();
            }
        }
    }

    // Empties the keys that were given characters.
    void giveBack() {
        std::vector<Key*> given;
        for (Key& key : mKeys) {
            if (key.on != NoSymbol) {
                given.push_back(&key);
            }
        }
        give(given, std::vector<KeySym>(given.size(), NoSymbol));
    }

  private:
    using Clock = std::chrono::steady_clock;
    struct Key {
        KeyCode code = 0;
        KeySym on = NoSymbol;
        // Typed on since the client was last known to have handled its keys.
        bool unhandled = false;
        Clock::time_point typedAt{};
    };

    Key* carrying(KeySym symbol) {
        auto it = std::find_if(mKeys.begin(), mKeys.end(),
                               [symbol](const Key& key) { return key.on == symbol; });
        return it == mKeys.end() ? nullptr : &*it;
    }

    // Gives `keys[i]` the character `symbols[i]`, once the client is done with the keys.
    void give(const std::vector<Key*>& keys, const std::vector<KeySym>& symbols) {
        // The keys typed go to the client before it is asked about them.
        XSync(mDisplay, False);
        Clock::time_point lastTyped{};
        for (const Key* key : keys) {
            if (key->unhandled) {
                lastTyped = std::max(lastTyped, key->typedAt);
            }
        }
        if (lastTyped != Clock::time_point{}) {
            if (!mKeysHandled()) {
                std::this_thread::sleep_until(lastTyped + kMappingSettle);
            }
            for (Key& key : mKeys) {
                key.unhandled = false;
            }
        }
        for (std::size_t i = 0; i < keys.size(); ++i) {
            // Both levels, so that a Shift held by the user still types the character.
            KeySym both[2] = {symbols[i], symbols[i]};
            XChangeKeyboardMapping(mDisplay, keys[i]->code, 2, both, 1);
            keys[i]->on = symbols[i];
        }
    }

    Display* mDisplay;
    const KeysHandled& mKeysHandled;
    std::vector<Key> mKeys;
};

// The keysyms `utf8` is typed with: line breaks (LF, CR, CR LF) as Return, TAB as Tab, other
// control characters left out.
std::vector<KeySym> keysymsOf(const std::string& utf8) {
    std::vector<KeySym> symbols;
    const std::u32string points = utf8::codePoints(utf8);
    for (std::size_t i = 0; i < points.size(); ++i) {
        const char32_t point = points[i];
        if (point == U'\r' || point == U'\n') {
            if (point == U'\r' && i + 1 < points.size() && points[i + 1] == U'\n') {
                ++i;
            }
            symbols.push_back(XK_Return);
        } else if (point == U'\t') {
            symbols.push_back(XK_Tab);
        } else if (point >= 0x20 && point != 0x7F && !(point >= 0x80 && point < 0xA0)) {
            symbols.push_back(keysymOf(point));
        }
    }
    return symbols;
}

}  // namespace

DesktopError typeText(Display* display, const std::string& utf8, std::chrono::milliseconds keyDelay,
                      const KeysHandled& keysHandled) {
    const std::vector<KeySym> symbols = keysymsOf(utf8);
    XErrorTrap trap(display);
    const KeyTable table(display);
    SpareKeys spares(display, table.spares(), keysHandled);
    Strokes strokes(display, table.shift());
    bool spareUsed = false;
    DesktopError failed;
    for (std::size_t at = 0; at < symbols.size() && !failed; ++at) {
        if (at > 0 && keyDelay.count() > 0) {
            std::this_thread::sleep_for(keyDelay);
        }
        if (std::optional<KeyStroke> key = table.find(symbols[at])) {
            strokes.press(key->code, key->shift);
        } else if (!spares.none()) {
            strokes.releaseShift();
            const KeyCode code = spares.keyFor(symbols, at, table);
            strokes.press(code, false);
            spares.typed(code);
            spareUsed = true;
        } else {
            failed = DesktopError(DesktopError::Kind::Keys,
                                  "キーボード配列にない文字を入力するための空きキーがありません。");
        }
        // With a pause between keys, each goes before the pause; without, all go together.
        if (keyDelay.count() > 0 && !failed) {
            failed = keysQueued(display, trap);
        }
    }
    strokes.releaseShift();
    if (spareUsed) {
        spares.giveBack();
    }
    const DesktopError refused = keysQueued(display, trap);
    return failed ? failed : refused;
}

}  // namespace korvane::x11
