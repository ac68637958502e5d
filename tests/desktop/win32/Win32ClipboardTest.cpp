// The clipboard's owner under Wine: what other programs see on the clipboard while a barcode is
// on it. Wine has no clipboard history or cloud clipboard to show that they obey the formats.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <optional>

#include "desktop/win32/Win32ClipboardOwner.h"

namespace korvane {
namespace {

// The DWORD held in the registered format `name`, read as another program would; nothing when
// the format is not on the clipboard.
std::optional<DWORD> registeredValue(const wchar_t* name) {
    const UINT format = ::RegisterClipboardFormatW(name);
    if (!::IsClipboardFormatAvailable(format) || !::OpenClipboard(nullptr)) {
        return std::nullopt;
    }
    std::optional<DWORD> value;
    if (HANDLE data = ::GetClipboardData(format); data != nullptr) {
        if (::GlobalSize(data) >= sizeof(DWORD)) {
            value = *static_cast<const DWORD*>(::GlobalLock(data));
            ::GlobalUnlock(data);
        }
    }
    ::CloseClipboard();
    return value;
}

TEST(Win32Clipboard, ABarcodeIsMarkedToStayOutOfHistoryCloudAndMonitors) {
    win32::Win32ClipboardOwner owner;
    ASSERT_FALSE(owner.setText("ABC-123 日本"));
    EXPECT_TRUE(::IsClipboardFormatAvailable(CF_UNICODETEXT));
    for (const wchar_t* name : {L"ExcludeClipboardContentFromMonitorProcessing",
                                L"CanIncludeInClipboardHistory", L"CanUploadToCloudClipboard"}) {
        EXPECT_EQ(registeredValue(name), DWORD{0}) << "format " << name;
    }
    // The marks do not get in the way of the text itself.
    EXPECT_EQ(owner.text(), "ABC-123 日本");

    // Another program's text replaces the marks with everything else of ours.
    ASSERT_TRUE(::OpenClipboard(nullptr));
    ::EmptyClipboard();
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, sizeof(L"theirs"));
    std::memcpy(::GlobalLock(memory), L"theirs", sizeof(L"theirs"));
    ::GlobalUnlock(memory);
    ::SetClipboardData(CF_UNICODETEXT, memory);
    ::CloseClipboard();
    EXPECT_EQ(registeredValue(L"CanIncludeInClipboardHistory"), std::nullopt);
    EXPECT_EQ(owner.text(), "theirs");
}

}  // namespace
}  // namespace korvane
