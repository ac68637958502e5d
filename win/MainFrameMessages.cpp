// The main window's messages: what each one does, and its controls' notifications.
#include "win/ControlIds.h"
#include "win/MainFrame.h"

namespace korvane {

LRESULT MainFrame::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            command(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_NOTIFY:
            return notify(*reinterpret_cast<const NMHDR*>(lParam));
        case WM_CTLCOLORSTATIC:
            return reinterpret_cast<LRESULT>(
                controlColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)));
        case WM_SIZE:
            layout();
            return 0;
        case WM_GETMINMAXINFO: {
            auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
            limits->ptMinTrackSize = {scaled(640), scaled(400)};
            return 0;
        }
        case WM_DPICHANGED: {
            mDpi = HIWORD(wParam);
            applyScale();
            const auto* suggested = reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(mWindow, nullptr, suggested->left, suggested->top,
                         suggested->right - suggested->left, suggested->bottom - suggested->top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            return 0;
        }
        case WM_CLOSE:
            close();
            return 0;
        case WM_QUERYENDSESSION:
            return TRUE;
        case WM_ENDSESSION:
            if (wParam != FALSE) {
                // The session ends: the program closes without asking.
                mCore->endSession();
                DestroyWindow(mWindow);
            }
            return 0;
        case WM_DESTROY:
            destroyed();
            return 0;
        default:
            return DefWindowProcW(mWindow, message, wParam, lParam);
    }
}

void MainFrame::command(int id, int code) {
    if (id == winid::kQr && code == STN_CLICKED) {
        showLargeQr();
        return;
    }
    if (id == winid::kExportLog) {
        exportChosenFile();
        return;
    }
    if (code != BN_CLICKED) {
        return;
    }
    if (id == winid::kListen) {
        toggleListening();
    } else if (id == winid::kOptions) {
        showOptions();
    } else if (id == winid::kDevices) {
        showDevices();
    } else if (id == winid::kQuit) {
        SendMessageW(mWindow, WM_CLOSE, 0, 0);
    }
}

LRESULT MainFrame::notify(const NMHDR& header) {
    if (header.idFrom != static_cast<UINT_PTR>(winid::kLog)) {
        return 0;
    }
    if (header.code == LVN_GETDISPINFOW) {
        mLog.fillDisplayInfo(*reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(&header)));
    } else if (header.code == NM_RCLICK) {
        showLogMenu();
    } else if (header.code == NM_CLICK) {
        showLine(reinterpret_cast<const NMITEMACTIVATE&>(header).iItem);
    }
    return 0;
}

}  // namespace korvane
