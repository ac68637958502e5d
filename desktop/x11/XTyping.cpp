#include "desktop/x11/XTyping.h"

#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <map>
#include <optional>
#include <thread>
#include <vector>

#include "desktop/x11/XErrorTrap.h"
#include "desktop/x11/XKeys.h"
#include "platform/Utf8.h"

namespace korvane::x11 {
namespace {

// Time for clients to handle a mapping change before the key it was made for is reused: a
// client that fetched the mapping after a later change would read the wrong character.
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
    explicit KeyTable(Display* display) {
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
            if (empty && mSpare == 0) {
                mSpare = static_cast<KeyCode>(code);
            }
        }
        XFree(symbols);
    }

    std::optional<KeyStroke> find(KeySym symbol) const {
        auto it = mStrokes.find(symbol);
        return it == mStrokes.end() ? std::nullopt : std::optional<KeyStroke>(it->second);
    }
    KeyCode spare() const { return mSpare; }

  private:
    std::map<KeySym, KeyStroke> mStrokes;
    KeyCode mSpare = 0;
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

void mapSpare(Display* display, KeyCode spare, KeySym symbol) {
    KeySym both[2] = {symbol, symbol};
    XChangeKeyboardMapping(display, spare, 2, both, 1);
}

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

DesktopError typeText(Display* display, const std::string& utf8,
                      std::chrono::milliseconds keyDelay) {
    const std::vector<KeySym> symbols = keysymsOf(utf8);
    XErrorTrap trap(display);
    const KeyTable table(display);
    const KeyCode shift = XKeysymToKeycode(display, XK_Shift_L);
    bool spareInUse = false;
    bool first = true;
    DesktopError failed;
    for (KeySym symbol : symbols) {
        if (!first && keyDelay.count() > 0) {
            std::this_thread::sleep_for(keyDelay);
        }
        first = false;
        if (std::optional<KeyStroke> key = table.find(symbol); key && (!key->shift || shift != 0)) {
            stroke(display, key->code, key->shift ? shift : 0);
        } else if (table.spare() != 0) {
            if (spareInUse) {
                std::this_thread::sleep_for(kMappingSettle);
            }
            mapSpare(display, table.spare(), symbol);
            spareInUse = true;
            stroke(display, table.spare(), 0);
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
    if (spareInUse) {
        std::this_thread::sleep_for(kMappingSettle);
        mapSpare(display, table.spare(), NoSymbol);
        trap.sync();
    }
    return failed;
}

}  // namespace korvane::x11
