#include "desktop/win32/Win32Desktop.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "desktop/win32/Win32ClipboardOwner.h"
#include "platform/win32/WideText.h"

namespace korvane {
namespace {

HWND windowOf(WindowHandle handle) {
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(handle));
}

INPUT keyInput(WORD key, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
}

// One character as the system's input carries it: a UTF-16 unit that no key needs to produce,
// whatever the keyboard layout (a kanji included); the window receives it as WM_CHAR.
INPUT unicodeInput(wchar_t unit, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wScan = static_cast<WORD>(unit);
    input.ki.dwFlags = KEYEVENTF_UNICODE | (up ? KEYEVENTF_KEYUP : 0);
    return input;
}

// The class a window was registered with; "" if it cannot be read.
std::string classOf(HWND window) {
    // A class name is at most 256 characters.
    wchar_t name[257] = {};
    const int length = ::GetClassNameW(window, name, 257);
    return length > 0 ? win32::narrow(std::wstring_view(name, length)) : std::string();
}

bool isControl(wchar_t unit) {
    return unit < 0x20 || (unit >= 0x7F && unit <= 0x9F);
}

// The key strokes of `text`, each a press and a release: a line break (LF, CR or CR LF) is
// Enter, TAB is Tab, other control characters are left out, everything else goes by its UTF-16
// units (a character beyond the BMP as its two surrogates).
std::vector<std::vector<INPUT>> strokesOf(const std::wstring& text) {
    std::vector<std::vector<INPUT>> strokes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const wchar_t unit = text[i];
        if (unit == L'\r' || unit == L'\n') {
            if (unit == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') {
                ++i;
            }
            strokes.push_back({keyInput(VK_RETURN, false), keyInput(VK_RETURN, true)});
        } else if (unit == L'\t') {
            strokes.push_back({keyInput(VK_TAB, false), keyInput(VK_TAB, true)});
        } else if (!isControl(unit)) {
            strokes.push_back({unicodeInput(unit, false), unicodeInput(unit, true)});
        }
    }
    return strokes;
}

DesktopError sendKeys(std::vector<INPUT> inputs) {
    const UINT sent = ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    if (sent != inputs.size()) {
        return DesktopError(DesktopError::Kind::Keys, "[SendInput]が失敗しました。");
    }
    return {};
}

// The size of one row of a 24-bit bitmap `width` pixels wide: rows are padded to four bytes.
std::size_t bitmapStride(int width) {
    return (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
}

// The BGR rows of `part` of the screen, top row first; empty when the screen cannot be read.
std::vector<std::uint8_t> readScreen(const CaptureRect& part) {
    HDC screen = ::GetDC(nullptr);
    if (screen == nullptr) {
        return {};
    }
    HDC memory = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, part.width, part.height);
    std::vector<std::uint8_t> bgr;
    if (memory != nullptr && bitmap != nullptr) {
        HGDIOBJ previous = ::SelectObject(memory, bitmap);
        const bool copied =
            ::BitBlt(memory, 0, 0, part.width, part.height, screen, static_cast<int>(part.left),
                     static_cast<int>(part.top), SRCCOPY | CAPTUREBLT);
        ::SelectObject(memory, previous);
        if (copied) {
            BITMAPINFO info{};
            info.bmiHeader.biSize = sizeof info.bmiHeader;
            info.bmiHeader.biWidth = part.width;
            info.bmiHeader.biHeight = -part.height;  // top row first
            info.bmiHeader.biPlanes = 1;
            info.bmiHeader.biBitCount = 24;
            info.bmiHeader.biCompression = BI_RGB;
            bgr.resize(bitmapStride(part.width) * static_cast<std::size_t>(part.height));
            if (::GetDIBits(memory, bitmap, 0, static_cast<UINT>(part.height), bgr.data(), &info,
                            DIB_RGB_COLORS) != part.height) {
                bgr.clear();
            }
        }
    }
    if (bitmap != nullptr) {
        ::DeleteObject(bitmap);
    }
    if (memory != nullptr) {
        ::DeleteDC(memory);
    }
    ::ReleaseDC(nullptr, screen);
    return bgr;
}

// Puts the BGR rows of `part` as RGB into `image`, which pictures `rect`.
void placeRows(const std::vector<std::uint8_t>& bgr, const CaptureRect& part,
               const CaptureRect& rect, RgbImage& image) {
    const std::size_t stride = bitmapStride(part.width);
    const std::size_t offsetX = static_cast<std::size_t>(part.left - rect.left);
    const std::size_t offsetY = static_cast<std::size_t>(part.top - rect.top);
    const std::size_t imageStride = static_cast<std::size_t>(image.width) * 3;
    for (int y = 0; y < part.height; ++y) {
        const std::uint8_t* from = bgr.data() + stride * static_cast<std::size_t>(y);
        std::uint8_t* to = image.pixels.data() +
                           (offsetY + static_cast<std::size_t>(y)) * imageStride + offsetX * 3;
        for (int x = 0; x < part.width; ++x) {
            to[x * 3] = from[x * 3 + 2];
            to[x * 3 + 1] = from[x * 3 + 1];
            to[x * 3 + 2] = from[x * 3];
        }
    }
}

}  // namespace

Win32Desktop::Win32Desktop() : mClipboard(std::make_unique<win32::Win32ClipboardOwner>()) {}

Win32Desktop::~Win32Desktop() = default;

bool Win32Desktop::sessionLocked() {
    // The lock screen, like the secure desktop of a consent prompt or Ctrl+Alt+Del, is
    // Winlogon's desktop, which a user's process may not even open: one it cannot open or name
    // is counted as locked.
    HDESK input = ::OpenInputDesktop(0, FALSE, DESKTOP_READOBJECTS);
    if (input == nullptr) {
        return true;
    }
    wchar_t name[64] = {};
    DWORD needed = 0;
    const BOOL named = ::GetUserObjectInformationW(input, UOI_NAME, name, sizeof name, &needed);
    ::CloseDesktop(input);
    return !named || ::_wcsicmp(name, L"Default") != 0;
}

DesktopResult<FocusedWindow> Win32Desktop::focusedWindow() {
    std::lock_guard lock(mLock);
    HWND foreground = ::GetForegroundWindow();
    if (foreground == nullptr) {
        return DesktopError(DesktopError::Kind::NoFocus, "");
    }
    DWORD process = 0;
    const DWORD thread = ::GetWindowThreadProcessId(foreground, &process);
    if (process == ::GetCurrentProcessId()) {
        return DesktopError(DesktopError::Kind::OwnWindow,
                            "本プログラムがアクティブになっています。");
    }
    // The focus and the caret belong to the input state of the foreground window's thread; this
    // thread sees them only while its input is attached to that thread.
    const DWORD self = ::GetCurrentThreadId();
    if (!::AttachThreadInput(self, thread, TRUE)) {
        return DesktopError(DesktopError::Kind::NoFocus, "[AttachThreadInput]が失敗しました。");
    }
    HWND focus = ::GetFocus();
    POINT caret{};
    const bool hasCaret = ::GetCaretPos(&caret) != 0;
    ::AttachThreadInput(self, thread, FALSE);
    if (focus == nullptr) {
        return DesktopError(DesktopError::Kind::NoFocus, "");
    }
    // The foreground window's class names the program; the focused control's ("Edit") would be
    // the same in many programs.
    FocusedWindow focused{static_cast<WindowHandle>(reinterpret_cast<std::uintptr_t>(focus)),
                          std::nullopt, classOf(foreground)};
    if (hasCaret) {
        focused.caret = Point{caret.x, caret.y};
    }
    return focused;
}

ClipboardOwner& Win32Desktop::clipboard() {
    return *mClipboard;
}

DesktopError Win32Desktop::pressControlV() {
    std::lock_guard lock(mLock);
    return sendKeys({keyInput(VK_CONTROL, false), keyInput('V', false), keyInput('V', true),
                     keyInput(VK_CONTROL, true)});
}

DesktopError Win32Desktop::typeText(WindowHandle, const std::string& text,
                                    std::chrono::milliseconds keyDelay) {
    std::lock_guard lock(mLock);
    std::vector<std::vector<INPUT>> strokes = strokesOf(win32::widen(text));
    if (keyDelay.count() <= 0) {
        // One call: no other program's input comes between the keys.
        std::vector<INPUT> all;
        for (const std::vector<INPUT>& stroke : strokes) {
            all.insert(all.end(), stroke.begin(), stroke.end());
        }
        return all.empty() ? DesktopError() : sendKeys(std::move(all));
    }
    for (std::size_t i = 0; i < strokes.size(); ++i) {
        if (i > 0) {
            std::this_thread::sleep_for(keyDelay);
        }
        if (DesktopError error = sendKeys(std::move(strokes[i]))) {
            return error;
        }
    }
    return {};
}

DesktopError Win32Desktop::pressKey(WindowHandle, VirtualKey key) {
    std::lock_guard lock(mLock);
    const auto code = static_cast<WORD>(key);
    return sendKeys({keyInput(code, false), keyInput(code, true)});
}

DesktopResult<ScreenPoint> Win32Desktop::clientToScreen(WindowHandle window, Point point) {
    POINT onScreen{point.x, point.y};
    HWND handle = windowOf(window);
    if (!::IsWindow(handle) || !::ClientToScreen(handle, &onScreen)) {
        return DesktopError(DesktopError::Kind::WindowGone, "[ClientToScreen]が失敗しました。");
    }
    return ScreenPoint{onScreen.x, onScreen.y};
}

void Win32Desktop::grabScreen(const CaptureRect& rect, RgbImage& image) {
    // The virtual screen spans every monitor; what lies beyond it stays black.
    const std::int64_t screenLeft = ::GetSystemMetrics(SM_XVIRTUALSCREEN);
    const std::int64_t screenTop = ::GetSystemMetrics(SM_YVIRTUALSCREEN);
    const std::int64_t screenRight = screenLeft + ::GetSystemMetrics(SM_CXVIRTUALSCREEN);
    const std::int64_t screenBottom = screenTop + ::GetSystemMetrics(SM_CYVIRTUALSCREEN);
    const std::int64_t left = std::max(rect.left, screenLeft);
    const std::int64_t top = std::max(rect.top, screenTop);
    const std::int64_t right = std::min(rect.left + rect.width, screenRight);
    const std::int64_t bottom = std::min(rect.top + rect.height, screenBottom);
    if (left >= right || top >= bottom) {
        return;
    }
    const CaptureRect part{left, top, static_cast<int>(right - left),
                           static_cast<int>(bottom - top)};
    const std::vector<std::uint8_t> bgr = readScreen(part);
    if (!bgr.empty()) {
        placeRows(bgr, part, rect, image);
    }
}

}  // namespace korvane
