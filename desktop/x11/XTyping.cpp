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

// Time for clients to handle a mapping change before a key it was made for is given another
// character, when the client could not be asked: a client that fetched the mapping after the
// later change would read the wrong character.
constexpr auto kMappingSettle = std::chrono::milliseconds(40);

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

void stroke(Display* display, KeyCode code, KeyCode shift) {
    if (shift != 0) {
        XTestFakeKeyEvent(display, shift, True, CurrentTime);
    }
    XTestFakeKeyEvent(display, code, True, CurrentTime);
    XTestFakeKeyEvent(display, code, False, CurrentTime);
    if (shift != 0) {
        XTestFakeKeyEvent(display, shift, False, CurrentTime);
    }
}

// The spare keys and the characters they carry while a text is typed. A key is given a new
// character only after the client has handled the keys typed on it (or after the pause).
class SpareKeys {
  public:
    SpareKeys(Display* display, std::vector<KeyCode> codes, const KeysHandled& keysHandled)
        : mDisplay(display),
          mCodes(std::move(codes)),
          mOn(mCodes.size(), NoSymbol),
          mKeysHandled(keysHandled) {}

    bool none() const { return mCodes.empty(); }

    // The spare key that types `symbols[at]`. When no key carries it, the keys are given the
    // characters the text needs from there on that the layout lacks, as many as fit: those
    // already on a key keep it.
    KeyCode keyFor(const std::vector<KeySym>& symbols, std::size_t at, const KeyTable& layout) {
        if (KeyCode code = carrying(symbols[at]); code != 0) {
            return code;
        }
        std::vector<KeySym> wanted;
        for (std::size_t i = at; i < symbols.size() && wanted.size() < mCodes.size(); ++i) {
            if (!layout.find(symbols[i]) &&
                std::find(wanted.begin(), wanted.end(), symbols[i]) == wanted.end()) {
                wanted.push_back(symbols[i]);
            }
        }
        std::vector<KeySym> next = mOn;
        std::vector<KeySym> missing;
        for (KeySym symbol : wanted) {
            if (std::find(next.begin(), next.end(), symbol) == next.end()) {
                missing.push_back(symbol);
            }
        }
        for (std::size_t key = 0; key < next.size() && !missing.empty(); ++key) {
            if (std::find(wanted.begin(), wanted.end(), next[key]) == wanted.end()) {
                next[key] = missing.back();
                missing.pop_back();
            }
        }
        remap(next);
        return carrying(symbols[at]);
    }

    void typed() { mTyped = true; }

    // Empties the keys that were given characters.
    void giveBack() { remap(std::vector<KeySym>(mCodes.size(), NoSymbol)); }

  private:
    KeyCode carrying(KeySym symbol) const {
        auto it = std::find(mOn.begin(), mOn.end(), symbol);
        return it == mOn.end() ? 0 : mCodes[static_cast<std::size_t>(it - mOn.begin())];
    }

    void remap(const std::vector<KeySym>& next) {
        if (mTyped && !mKeysHandled()) {
            std::this_thread::sleep_for(kMappingSettle);
        }
        mTyped = false;
        for (std::size_t key = 0; key < next.size(); ++key) {
            if (next[key] != mOn[key]) {
                // Both levels, so that a Shift held by the user still types the character.
                KeySym both[2] = {next[key], next[key]};
                XChangeKeyboardMapping(mDisplay, mCodes[key], 2, both, 1);
                mOn[key] = next[key];
            }
        }
    }

    Display* mDisplay;
    std::vector<KeyCode> mCodes;
    std::vector<KeySym> mOn;
    const KeysHandled& mKeysHandled;
    // A key was typed on the spare keys since the client was last known to have handled its keys.
    bool mTyped = false;
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
    bool spareUsed = false;
    DesktopError failed;
    for (std::size_t at = 0; at < symbols.size(); ++at) {
        if (at > 0 && keyDelay.count() > 0) {
            std::this_thread::sleep_for(keyDelay);
        }
        if (std::optional<KeyStroke> key = table.find(symbols[at])) {
            stroke(display, key->code, key->shift ? table.shift() : 0);
        } else if (!spares.none()) {
            stroke(display, spares.keyFor(symbols, at, table), 0);
            spares.typed();
            spareUsed = true;
        } else {
            failed = DesktopError(DesktopError::Kind::Keys,
                                  "キーボード配列にない文字を入力するための空きキーがありません。");
            break;
        }
        failed = keysQueued(display, trap);
        if (failed) {
            break;
        }
    }
    if (spareUsed) {
        spares.giveBack();
        trap.sync();
    }
    return failed;
}

}  // namespace korvane::x11
