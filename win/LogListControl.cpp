#include "win/LogListControl.h"

#include "platform/VisibleText.h"
#include "platform/win32/WideText.h"

namespace korvane {

LogListControl::~LogListControl() {
    if (mRowHeight != nullptr) {
        ImageList_Destroy(mRowHeight);
    }
}

void LogListControl::create(HWND parent, int id, HINSTANCE instance) {
    mList = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA |
                                LVS_SINGLESEL | LVS_NOCOLUMNHEADER | LVS_SHOWSELALWAYS,
                            0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                            instance, nullptr);
    ListView_SetExtendedListViewStyle(mList, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    LVCOLUMNW column{};
    column.mask = LVCF_WIDTH;
    column.cx = 100;
    ListView_InsertColumn(mList, 0, &column);
}

void LogListControl::setRowHeight(int pixels) {
    // A report list's rows are as high as its small images: a blank image list sets the height.
    HIMAGELIST rows = ImageList_Create(1, pixels, ILC_COLOR, 0, 0);
    ListView_SetImageList(mList, rows, LVSIL_SMALL);
    if (mRowHeight != nullptr) {
        ImageList_Destroy(mRowHeight);
    }
    mRowHeight = rows;
}

void LogListControl::fitColumn() {
    RECT client{};
    GetClientRect(mList, &client);
    ListView_SetColumnWidth(mList, 0, client.right - client.left);
}

void LogListControl::addNewest(LogLines oldestFirst) {
    if (oldestFirst.empty()) {
        return;
    }
    mLines.append(std::move(oldestFirst));
    if (mLines.size() > kMaxLogLines) {
        mLines.dropOldest(mLines.size() - kMaxLogLines);
    }
    // Every row moved down: the list draws its visible rows again, which it asks for anew.
    ListView_SetItemCountEx(mList, static_cast<int>(mLines.size()), LVSICF_NOSCROLL);
    ListView_SetItemState(mList, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemState(mList, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(mList, 0, FALSE);
    InvalidateRect(mList, nullptr, FALSE);
}

std::string_view LogListControl::line(std::size_t row) const {
    return mLines[mLines.size() - 1 - row];
}

void LogListControl::fillDisplayInfo(NMLVDISPINFOW& info) {
    if ((info.item.mask & LVIF_TEXT) == 0) {
        return;
    }
    const auto row = static_cast<std::size_t>(info.item.iItem);
    mShown = row < mLines.size() ? win32::widen(visibleText(line(row), LineBreaks::Mark))
                                 : std::wstring();
    info.item.pszText = mShown.data();
}

}  // namespace korvane
