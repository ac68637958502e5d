#pragma once

#include <windows.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/AddressView.h"
#include "core/AppCore.h"
#include "core/LocalAddresses.h"
#include "core/SettingsPlace.h"
#include "core/UiUpdateQueue.h"
#include "desktop/Desktop.h"
#include "desktop/DesktopChoice.h"
#include "handling/ApprovalPrompt.h"
#include "handling/WindowPorts.h"
#include "win/ApprovalCodeWindow.h"
#include "win/ApprovalListWindow.h"
#include "win/DevicesWindow.h"
#include "win/LogListControl.h"
#include "win/OptionsWindow.h"
#include "win/PostedUiThread.h"
#include "win/QrControl.h"
#include "win/QrLargeWindow.h"
#include "win/Translator.h"
#include "win/UiFont.h"
#include "win/WinDialogs.h"

namespace korvane {

// What the main window is made with besides its files; each must outlive it.
struct FrameParts {
    HINSTANCE instance;
    Desktop& desktop;
    WinDialogs& dialogs;
    const Translator& texts;
};

// The main window of the Windows program, a view of the application core (AppCore), which owns
// the request server, request handling and the approval of phones: about box, address list,
// port, the automatic start and minimise boxes, the connection QR code while listening, the
// status, the log list (newest on top), the detail box of a clicked line, and the buttons. Its
// controls carry the identifiers of ControlIds.h. The address list, status and QR code follow
// this PC's addresses as the core watches them. Made, shown and destroyed on the thread that
// runs the message loop; closing it (after the core's close rules) stops the server, writes the
// settings and ends the loop.
class MainFrame : public LogView, public ListenerView, public ApprovalPrompt, public AddressView {
  public:
    MainFrame(FrameParts parts, std::filesystem::path settingsFile, std::string captureFile);
    ~MainFrame() override;
    MainFrame(const MainFrame&) = delete;
    MainFrame& operator=(const MainFrame&) = delete;

    HWND window() const { return mWindow; }
    // Shows the window where the settings left it and arms the core's automatic start.
    void show();
    // Says in the log which desktop implementation types and captures, and shows what it cannot
    // reach in the detail box.
    void announceDesktop(const DesktopChoice& choice);
    void announceSettingsPlace(const SettingsPlace& place) { mCore->announceSettingsPlace(place); }

    // LogView, ListenerView: any thread; the window's thread applies them in call order.
    void insertLogLine(const std::string& line) override;
    void listenerStopped() override;
    // ApprovalPrompt: any thread. The list of waiting phones shows on the window's thread,
    // without taking the keyboard focus.
    void ask(const std::string& clientKey, const std::string& address) override;
    // AddressView: the window's thread.
    void addressesChanged(const std::vector<LocalAddress>& addresses) override;
    void listeningSuspended(const std::string& address) override;
    void listeningResumed(const std::string& address) override;

  private:
    // MainFrameMessages.cpp.
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT notify(const NMHDR& header);
    void command(int id, int code);

    // MainFrameControls.cpp.
    void createWindow();
    void createControls();
    HWND addControl(const wchar_t* className, const std::string& text, DWORD style, int id,
                    DWORD exStyle = 0);
    void applyScale();
    void layout();
    void fillAbout();
    HBRUSH controlColour(HDC dc, HWND control);

    std::wstring uiText(const char* source) const;
    std::string portText() const;
    bool isChecked(int id) const;
    int scaled(int pixels) const { return MulDiv(pixels, static_cast<int>(mDpi), 96); }

    void applySettings();
    void saveSettings();
    void fillAddresses();
    void showAddresses(const std::vector<LocalAddress>& addresses);
    // The address the list has selected; empty when none.
    std::string chosenAddress() const;
    void selectSavedAddress();
    void toggleListening();
    void showStartRefusal(const StartRefusal& refusal);
    // The controls, status and QR code of the listening (or stopped) state.
    void showListening(bool listening);
    void setStatus(const char* source, COLORREF colour);
    void showLines(LogLines oldestFirst);
    void showLine(int row);
    void showWaitingPhones();
    // A new approval code in a window of its own; `used` is called once a phone is approved by it.
    void showApprovalCode(std::function<void()> used);
    void showDevices();
    // The options dialog; what it chooses reaches request handling and the settings file.
    void showOptions();
    void applyOptions(const OptionsForm& chosen);
    // The QR code large in a window of its own (only while listening).
    void showLargeQr();
    // The log list's menu at the pointer, and its export.
    void showLogMenu();
    void exportChosenFile();
    void close();
    // WM_DESTROY: the server stops, then the settings are written and the loop ends.
    void destroyed();

    FrameParts mParts;
    HWND mWindow = nullptr;
    UINT mDpi = 96;
    std::unique_ptr<UiFont> mFont;
    HBRUSH mStatusBrush = nullptr;
    HBRUSH mInfoBrush = nullptr;
    HICON mLogo = nullptr;
    bool mDestroyed = false;
    std::vector<LocalAddress> mAddresses;

    PostedUiThread mUiThread;
    UiUpdateQueue mUpdates;
    LogListControl mLog;
    QrControl mQr;
    std::unique_ptr<QrLargeWindow> mLargeQr;
    // Closed before the core ends: their answers go to the core's approval.
    std::unique_ptr<ApprovalListWindow> mApprovalList;
    std::unique_ptr<ApprovalCodeWindow> mCodeWindow;
    std::unique_ptr<DevicesWindow> mDevices;
    std::unique_ptr<OptionsWindow> mOptions;
    // Last, so that it is destroyed (waiting for the server's threads) before what they report to.
    std::unique_ptr<AppCore> mCore;
};

}  // namespace korvane
