// Drives korvane-server.exe's main window from another process, as a user's tools would: it finds
// the window by its class, reads texts (WM_GETTEXT, the log list's LVM_GETITEMTEXTW through the
// window's own memory), clicks buttons (BM_CLICK) and answers its message boxes. One command per
// run; what it reads goes to standard output as UTF-8; exit status 0 when the command succeeded.
// With --large first, the window commands act on the large QR code's window instead; with
// --approval first, on the list of phones waiting for approval; with --code first, on the approval
// code's window; with --devices first, on the approved phones' dialog; with --options first, on the
// options dialog.
//   wait-window SECONDS | wait-gone SECONDS
//   wait-start SECONDS (prints ready, then the ms to the splash and to the main window)
//   title | iconic | text ID | wait-text ID TEXT SECONDS | enabled ID | checked ID | click ID |
//   close release ID (the left button let go over the control) log-count | log-row ROW | wait-log
//   TEXT SECONDS wait-box SECONDS [any] (prints the box's text) | answer BUTTON_ID [any]
//     (a box of the window's process, or of any process)
//   screen-rect ID (x y width height on the screen)
//   save-as PATH (types the name into the open file dialog and presses its OK)
//   file-info PATH (the program file's version resource and manifest)
//   foreground (the title of the window that has the keyboard's input) | window-enabled
//   rows ID | row ID ROW | select ID ROW | wait-row ID TEXT SECONDS (a list view's rows, first
//   column) | set-text ID TEXT
#include <windows.h>

#include <commctrl.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

#include "platform/win32/WideText.h"
#include "win/ControlIds.h"

namespace {

using korvane::win32::narrow;

void print(const std::string& text) {
    const std::string line = text + "\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line.data(), static_cast<DWORD>(line.size()),
              &written, nullptr);
}

bool waitFor(double seconds, const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

// The main window, or with --large before the command the large QR code's window.
const wchar_t* gWindowClass = korvane::winid::kMainWindowClass;

HWND mainWindow() {
    return FindWindowW(gWindowClass, nullptr);
}

HWND control(int id) {
    return GetDlgItem(mainWindow(), id);
}

std::wstring windowText(HWND window) {
    wchar_t text[4096] = {};
    DWORD_PTR length = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(text), SMTO_BLOCK, 5000,
                        &length);
    return std::wstring(text, length);
}

// A list view's row (its first column): the list is another process's, so the item and its text
// buffer live in that process's memory.
std::wstring listRow(HWND list, int row) {
    DWORD pid = 0;
    GetWindowThreadProcessId(list, &pid);
    HANDLE process =
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    constexpr int kChars = 8192;
    auto* remote = static_cast<char*>(VirtualAllocEx(process, nullptr,
                                                     sizeof(LVITEMW) + kChars * sizeof(wchar_t),
                                                     MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.pszText = reinterpret_cast<wchar_t*>(remote + sizeof(LVITEMW));
    item.cchTextMax = kChars;
    WriteProcessMemory(process, remote, &item, sizeof(item), nullptr);
    DWORD_PTR length = 0;
    SendMessageTimeoutW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                        reinterpret_cast<LPARAM>(remote), SMTO_BLOCK, 5000, &length);
    std::wstring text(length, L'\0');
    ReadProcessMemory(process, item.pszText, text.data(), length * sizeof(wchar_t), nullptr);
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    return text;
}

std::wstring logRow(int row) {
    return listRow(control(korvane::winid::kLog), row);
}

// Selects a list view's row, as a click on it does, through the other process's memory.
bool selectRow(HWND list, int row) {
    DWORD pid = 0;
    GetWindowThreadProcessId(list, &pid);
    HANDLE process =
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    void* remote =
        VirtualAllocEx(process, nullptr, sizeof(LVITEMW), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    WriteProcessMemory(process, remote, &item, sizeof(item), nullptr);
    DWORD_PTR done = 0;
    SendMessageTimeoutW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                        reinterpret_cast<LPARAM>(remote), SMTO_BLOCK, 5000, &done);
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    return done != 0;
}

int logCount() {
    return static_cast<int>(SendMessageW(control(korvane::winid::kLog), LVM_GETITEMCOUNT, 0, 0));
}

// A message box or other dialog (class #32770): of the window's process, or of any when
// `anyProcess`.
HWND messageBox(bool anyProcess) {
    DWORD windowPid = 0;
    if (!anyProcess) {
        GetWindowThreadProcessId(mainWindow(), &windowPid);
    }
    struct Search {
        DWORD pid;
        HWND found;
    } search{windowPid, nullptr};
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            wchar_t className[32] = {};
            GetClassNameW(window, className, 32);
            DWORD pid = 0;
            GetWindowThreadProcessId(window, &pid);
            if (std::wstring(className) == L"#32770" && IsWindowVisible(window) &&
                (s->pid == 0 || pid == s->pid)) {
                s->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The program file's version resource ("version 1.2.3.4") and its manifest, as Windows reads them.
bool printFileInfo(const std::wstring& path) {
    DWORD ignored = 0;
    std::string info(GetFileVersionInfoSizeW(path.c_str(), &ignored), '\0');
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    if (info.empty() ||
        !GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(info.size()), info.data()) ||
        !VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedSize)) {
        return false;
    }
    print("version " + std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
          std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
          std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." +
          std::to_string(LOWORD(fixed->dwFileVersionLS)));
    HMODULE program = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HRSRC manifest = FindResourceW(program, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    if (manifest == nullptr) {
        return false;
    }
    const char* text = static_cast<const char*>(LockResource(LoadResource(program, manifest)));
    print(std::string(text, SizeofResource(program, manifest)));
    return true;
}

int run(const std::wstring& command, const std::wstring& arg, const std::wstring& arg2,
        const std::wstring& arg3) {
    const int id = std::wcstol(arg.c_str(), nullptr, 10);
    const double seconds = std::wcstod(arg.c_str(), nullptr);
    if (command == L"wait-window") {
        return waitFor(seconds, [] { return IsWindowVisible(mainWindow()) != FALSE; }) ? 0 : 1;
    }
    if (command == L"wait-gone") {
        // Gone, or hidden (as the list of waiting phones is when none is left).
        return waitFor(seconds, [] { return IsWindowVisible(mainWindow()) == FALSE; }) ? 0 : 1;
    }
    if (command == L"wait-start") {
        // Started before the program: the times count from "ready".
        print("ready");
        const auto start = std::chrono::steady_clock::now();
        auto since = [&start] {
            return std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(
                                      std::chrono::steady_clock::now() - start)
                                      .count());
        };
        if (!waitFor(seconds, [] {
                return IsWindowVisible(FindWindowW(korvane::winid::kSplashClass, nullptr));
            })) {
            return 1;
        }
        print("splash " + since());
        if (!waitFor(seconds, [] {
                return !IsWindowVisible(FindWindowW(korvane::winid::kSplashClass, nullptr));
            })) {
            return 1;
        }
        print("splash-gone " + since());
        if (!waitFor(seconds, [] { return IsWindowVisible(mainWindow()) != FALSE; })) {
            return 1;
        }
        print("window " + since());
        return 0;
    }
    if (command == L"text") {
        print(narrow(windowText(control(id))));
        return 0;
    }
    if (command == L"wait-text") {
        const std::wstring wanted = arg2;
        const bool ok = waitFor(std::wcstod(arg3.c_str(), nullptr),
                                [&] { return windowText(control(id)) == wanted; });
        print(narrow(windowText(control(id))));
        return ok ? 0 : 1;
    }
    if (command == L"title") {
        print(narrow(windowText(mainWindow())));
        return 0;
    }
    if (command == L"iconic") {
        print(IsIconic(mainWindow()) ? "1" : "0");
        return 0;
    }
    if (command == L"enabled") {
        print(IsWindowEnabled(control(id)) ? "1" : "0");
        return 0;
    }
    if (command == L"checked") {
        print(SendMessageW(control(id), BM_GETCHECK, 0, 0) == BST_CHECKED ? "1" : "0");
        return 0;
    }
    if (command == L"click") {
        // Posted: a click that opens a message box would hold a sent message until it closes.
        return PostMessageW(control(id), BM_CLICK, 0, 0) ? 0 : 1;
    }
    if (command == L"release") {
        // The left button let go over the control, as a click ends.
        return PostMessageW(control(id), WM_LBUTTONUP, 0, MAKELPARAM(2, 2)) ? 0 : 1;
    }
    if (command == L"end-session") {
        // As Windows tells a program the session ends (logging off).
        return PostMessageW(mainWindow(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF) ? 0 : 1;
    }
    if (command == L"close") {
        return PostMessageW(mainWindow(), WM_CLOSE, 0, 0) ? 0 : 1;
    }
    if (command == L"row") {
        print(narrow(listRow(control(id), std::wcstol(arg2.c_str(), nullptr, 10))));
        return 0;
    }
    if (command == L"wait-row") {
        // Any row's first column holding TEXT.
        const bool ok = waitFor(std::wcstod(arg3.c_str(), nullptr), [&] {
            const auto count = static_cast<int>(SendMessageW(control(id), LVM_GETITEMCOUNT, 0, 0));
            for (int row = 0; row < count; ++row) {
                if (listRow(control(id), row) == arg2) {
                    return true;
                }
            }
            return false;
        });
        return ok ? 0 : 1;
    }
    if (command == L"rows") {
        print(std::to_string(SendMessageW(control(id), LVM_GETITEMCOUNT, 0, 0)));
        return 0;
    }
    if (command == L"select") {
        return selectRow(control(id), std::wcstol(arg2.c_str(), nullptr, 10)) ? 0 : 1;
    }
    if (command == L"set-text") {
        // As typed into the field: the text replaced.
        DWORD_PTR done = 0;
        SendMessageTimeoutW(control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(arg2.c_str()),
                            SMTO_BLOCK, 5000, &done);
        return done != 0 ? 0 : 1;
    }
    if (command == L"window-enabled") {
        print(IsWindowEnabled(mainWindow()) ? "1" : "0");
        return 0;
    }
    if (command == L"log-count") {
        print(std::to_string(logCount()));
        return 0;
    }
    if (command == L"log-row") {
        print(narrow(logRow(id)));
        return 0;
    }
    if (command == L"wait-log") {
        std::wstring found;
        const bool ok = waitFor(std::wcstod(arg2.c_str(), nullptr), [&] {
            for (int row = 0, count = logCount(); row < count && row < 200; ++row) {
                std::wstring text = logRow(row);
                if (text.find(arg) != std::wstring::npos) {
                    found = std::move(text);
                    return true;
                }
            }
            return false;
        });
        print(narrow(found));
        return ok ? 0 : 1;
    }
    const bool anyProcess = arg2 == L"any";
    if (command == L"wait-box") {
        HWND box = nullptr;
        const bool ok = waitFor(seconds, [&] { return (box = messageBox(anyProcess)) != nullptr; });
        // A message box's text is its static control 0xFFFF.
        print(ok ? narrow(windowText(GetDlgItem(box, 0xFFFF))) : std::string());
        return ok ? 0 : 1;
    }
    if (command == L"answer") {
        return PostMessageW(messageBox(anyProcess), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0) ? 0
                                                                                               : 1;
    }
    if (command == L"screen-rect") {
        RECT rect{};
        GetWindowRect(control(id), &rect);
        print(std::to_string(rect.left) + " " + std::to_string(rect.top) + " " +
              std::to_string(rect.right - rect.left) + " " +
              std::to_string(rect.bottom - rect.top));
        return 0;
    }
    if (command == L"save-as") {
        // The file dialog's name field: a combo box (cmb13) or an edit (edt1), by the dialog's
        // style.
        HWND dialog = messageBox(false);
        SetDlgItemTextW(dialog, 0x47C, arg.c_str());
        SetDlgItemTextW(dialog, 0x480, arg.c_str());
        return PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0) ? 0 : 1;
    }
    if (command == L"foreground") {
        print(narrow(windowText(GetForegroundWindow())));
        return 0;
    }
    if (command == L"file-info") {
        return printFileInfo(arg) ? 0 : 1;
    }
    print("unknown command");
    return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc > 1 && std::wstring(argv[1]) == L"--large") {
        gWindowClass = korvane::winid::kQrLargeClass;
        --argc;
        ++argv;
    } else if (argc > 1 && std::wstring(argv[1]) == L"--approval") {
        gWindowClass = korvane::winid::kApprovalListClass;
        --argc;
        ++argv;
    } else if (argc > 1 && std::wstring(argv[1]) == L"--code") {
        gWindowClass = korvane::winid::kApprovalCodeClass;
        --argc;
        ++argv;
    } else if (argc > 1 && std::wstring(argv[1]) == L"--devices") {
        gWindowClass = korvane::winid::kDevicesClass;
        --argc;
        ++argv;
    } else if (argc > 1 && std::wstring(argv[1]) == L"--options") {
        gWindowClass = korvane::winid::kOptionsClass;
        --argc;
        ++argv;
    }
    if (argc < 2) {
        print("usage: korvane_window_driver COMMAND [ARG...]");
        return 2;
    }
    return run(argv[1], argc > 2 ? argv[2] : L"", argc > 3 ? argv[3] : L"",
               argc > 4 ? argv[4] : L"");
}
