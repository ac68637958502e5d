#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <string_view>

#include "core/LogLines.h"

namespace korvane {

// The log list: a report ListView with one column and no header, newest line on top, at most
// kMaxLogLines lines. Owner data (LVS_OWNERDATA): the list keeps no rows and asks for the text
// of those it draws (fillDisplayInfo), so a batch of lines costs one count change however long
// the log is. Lines are kept as they come (UTF-8 in LogLines) and converted to UTF-16 only when
// a row is drawn, as visibleText shows it on one row. The window's thread only.
class LogListControl {
  public:
    LogListControl() = default;
    ~LogListControl();
    LogListControl(const LogListControl&) = delete;
    LogListControl& operator=(const LogListControl&) = delete;

    // Makes the list as child `id` of `parent`.
    void create(HWND parent, int id, HINSTANCE instance);
    HWND handle() const { return mList; }

    // Puts the lines on top (the last one given first) and selects the newest.
    void addNewest(LogLines oldestFirst);
    std::size_t size() const { return mLines.size(); }
    // Row 0 is the newest line, as it was added.
    std::string_view line(std::size_t row) const;

    // The row height and the column's width (the list's whole width), at the window's scale.
    void setRowHeight(int pixels);
    void fitColumn();

    // Answers the list's LVN_GETDISPINFOW.
    void fillDisplayInfo(NMLVDISPINFOW& info);

  private:
    HWND mList = nullptr;
    HIMAGELIST mRowHeight = nullptr;
    LogLines mLines;
    // The text of the row last asked for; the list copies it before it asks again.
    std::wstring mShown;
};

}  // namespace korvane
