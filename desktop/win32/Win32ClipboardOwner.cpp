#include "desktop/win32/Win32ClipboardOwner.h"

#include <windows.h>

#include <cstring>

#include "platform/win32/WideText.h"

namespace korvane::win32 {

struct OwnerWindow {
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* owner =
            reinterpret_cast<Win32ClipboardOwner*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        switch (message) {
            case WM_RENDERFORMAT:
                if (owner != nullptr && wParam == CF_UNICODETEXT) {
                    owner->render();
                }
                return 0;
            case WM_RENDERALLFORMATS:
                // This object is going away: leave the text rendered, if the clipboard is still
                // ours.
                if (owner != nullptr && ::OpenClipboard(window)) {
                    if (::GetClipboardOwner() == window) {
                        owner->render();
                    }
                    ::CloseClipboard();
                }
                return 0;
            default:
                return ::DefWindowProcW(window, message, wParam, lParam);
        }
    }
};

namespace {

constexpr wchar_t kClassName[] = L"KorvaneClipboardOwner";
constexpr UINT kQuit = WM_APP + 1;

// The clipboard is shared by every program, which holds it open for a moment at a time.
bool openClipboard(HWND window) {
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (::OpenClipboard(window)) {
            return true;
        }
        ::Sleep(10);
    }
    return false;
}

// Puts a DWORD 0 on the open clipboard in the registered format `name`.
bool putZero(const wchar_t* name) {
    const UINT format = ::RegisterClipboardFormatW(name);
    HGLOBAL memory = format != 0 ? ::GlobalAlloc(GMEM_MOVEABLE, sizeof(DWORD)) : nullptr;
    if (memory == nullptr) {
        return false;
    }
    *static_cast<DWORD*>(::GlobalLock(memory)) = 0;
    ::GlobalUnlock(memory);
    if (::SetClipboardData(format, memory) == nullptr) {
        ::GlobalFree(memory);
        return false;
    }
    return true;
}

// A barcode (a customer's number, a voucher) is put on the clipboard only to be pasted once:
// Windows' clipboard history, the cloud clipboard and clipboard monitors are told to keep it.
// Without these formats the paste works all the same, so their failure is not the paste's.
void markPrivate() {
    putZero(L"ExcludeClipboardContentFromMonitorProcessing");
    putZero(L"CanIncludeInClipboardHistory");
    putZero(L"CanUploadToCloudClipboard");
}

}  // namespace

Win32ClipboardOwner::Win32ClipboardOwner() {
    mThread = std::thread([this] { run(); });
    std::unique_lock lock(mLock);
    mChanged.wait(lock, [this] { return mReady; });
}

Win32ClipboardOwner::~Win32ClipboardOwner() {
    if (mWindow != nullptr) {
        ::PostMessageW(static_cast<HWND>(mWindow), kQuit, 0, 0);
    }
    mThread.join();
}

void Win32ClipboardOwner::run() {
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &OwnerWindow::procedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kClassName;
    ::RegisterClassExW(&windowClass);  // fails harmlessly when a second object registers it again
    // A message-only window: never shown, never in the way of the user's windows.
    HWND window = ::CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    instance, nullptr);
    if (window != nullptr) {
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    {
        std::lock_guard lock(mLock);
        mWindow = window;
        mReady = true;
    }
    mChanged.notify_all();
    if (window == nullptr) {
        return;
    }
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.message == kQuit) {
            break;
        }
        ::DispatchMessageW(&message);
    }
    // Renders the text for the programs that may still paste it.
    ::DestroyWindow(window);
}

void Win32ClipboardOwner::render() {
    std::wstring text;
    {
        std::lock_guard lock(mLock);
        text = mText;
    }
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (memory == nullptr) {
        return;
    }
    void* target = ::GlobalLock(memory);
    std::memcpy(target, text.c_str(), bytes);
    ::GlobalUnlock(memory);
    if (::SetClipboardData(CF_UNICODETEXT, memory) == nullptr) {
        ::GlobalFree(memory);
        return;
    }
    {
        std::lock_guard lock(mLock);
        ++mDeliveries;
    }
    mChanged.notify_all();
}

DesktopError Win32ClipboardOwner::setText(const std::string& utf8) {
    const std::wstring text = widen(utf8);
    HWND window = static_cast<HWND>(mWindow);
    if (window == nullptr) {
        return DesktopError(DesktopError::Kind::Clipboard,
                            "クリップボードの所有ウィンドウを作成できません。");
    }
    {
        std::lock_guard lock(mLock);
        mText = text;
    }
    if (!openClipboard(window)) {
        return DesktopError(DesktopError::Kind::Clipboard,
                            "クリップボードを開けません。他のプログラムが使用中です。");
    }
    // Emptying makes the window the owner; the data follows when a program asks for it.
    const bool set = ::EmptyClipboard() && (::SetClipboardData(CF_UNICODETEXT, nullptr), true);
    if (set) {
        markPrivate();
    }
    ::CloseClipboard();
    if (!set) {
        return DesktopError(DesktopError::Kind::Clipboard, "クリップボードに書き込めません。");
    }
    return {};
}

std::optional<std::string> Win32ClipboardOwner::text() {
    HWND window = static_cast<HWND>(mWindow);
    if (window == nullptr || !openClipboard(window)) {
        return std::nullopt;
    }
    std::optional<std::wstring> text;
    if (::GetClipboardOwner() == window) {
        // Asking for data that this object renders itself would only send its thread a message.
        std::lock_guard lock(mLock);
        text = mText;
    } else if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT); data != nullptr) {
        if (const auto* units = static_cast<const wchar_t*>(::GlobalLock(data))) {
            // Another program's memory may lack the NUL it should end with.
            const std::size_t limit = ::GlobalSize(data) / sizeof(wchar_t);
            std::size_t length = 0;
            while (length < limit && units[length] != L'\0') {
                ++length;
            }
            text.emplace(units, length);
            ::GlobalUnlock(data);
        }
    }
    ::CloseClipboard();
    if (!text) {
        return std::nullopt;
    }
    return narrow(*text);
}

std::uint64_t Win32ClipboardOwner::deliveries() {
    std::lock_guard lock(mLock);
    return mDeliveries;
}

bool Win32ClipboardOwner::waitForDelivery(std::uint64_t after, std::chrono::milliseconds budget) {
    std::unique_lock lock(mLock);
    return mChanged.wait_for(lock, budget, [&] { return mDeliveries > after; });
}

}  // namespace korvane::win32
