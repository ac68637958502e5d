// A Win32 program of the tests: one top-level window holding a single-line EDIT with the focus,
// on a background of a colour no theme uses. Each Enter that reaches the EDIT prints
// "enter <the EDIT's text at that moment>" on standard output, each Tab "tab <text>"; at the
// start it prints "ready <window handle> <EDIT handle>".
// With --read CLASS it prints instead the text of the first EDIT inside the top-level window of
// that class (another program's, such as Wine's notepad) and ends.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

constexpr COLORREF kBackground = RGB(255, 0, 255);
WNDPROC gEditProcedure = nullptr;
HBRUSH gBrush = nullptr;

std::string utf8Of(const std::wstring& text) {
    int n = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n > 0 ? n - 1 : 0), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), n, nullptr, nullptr);
    return out;
}

LRESULT CALLBACK editProcedure(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_KEYDOWN && (wParam == VK_RETURN || wParam == VK_TAB)) {
        wchar_t text[512] = {};
        ::GetWindowTextW(edit, text, 512);
        std::printf("%s %s\n", wParam == VK_RETURN ? "enter" : "tab", utf8Of(text).c_str());
        std::fflush(stdout);
    }
    return ::CallWindowProcW(gEditProcedure, edit, message, wParam, lParam);
}

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CTLCOLOREDIT:
            ::SetBkColor(reinterpret_cast<HDC>(wParam), kBackground);
            return reinterpret_cast<LRESULT>(gBrush);
        case WM_DESTROY:
            ::PostQuitMessage(0);
            return 0;
        default:
            return ::DefWindowProcW(window, message, wParam, lParam);
    }
}

int readOther(const wchar_t* windowClass) {
    HWND window = ::FindWindowW(windowClass, nullptr);
    HWND edit = window != nullptr ? ::FindWindowExW(window, nullptr, L"Edit", nullptr) : nullptr;
    if (edit == nullptr) {
        std::printf("missing\n");
        return 1;
    }
    // WM_GETTEXT crosses processes for an EDIT: the system copies the text.
    wchar_t text[512] = {};
    ::SendMessageW(edit, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
    std::printf("text %s\n", utf8Of(text).c_str());
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    // Lines end in "\n" alone, as the test script reads them.
    ::_setmode(::_fileno(stdout), _O_BINARY);
    if (argc == 3 && std::wstring(argv[1]) == L"--read") {
        return readOther(argv[2]);
    }
    gBrush = ::CreateSolidBrush(kBackground);
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = gBrush;
    windowClass.lpszClassName = L"KorvaneEditTarget";
    ::RegisterClassW(&windowClass);
    HWND window = ::CreateWindowExW(0, L"KorvaneEditTarget", L"korvane edit target",
                                    WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 500, 200, nullptr,
                                    nullptr, instance, nullptr);
    HWND edit = ::CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 20, 40,
                                  440, 30, window, nullptr, instance, nullptr);
    gEditProcedure = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(editProcedure)));
    ::SetFocus(edit);
    std::printf("ready %llu %llu\n",
                static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)),
                static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(edit)));
    std::fflush(stdout);
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return 0;
}
