#include "win/MainFrame.h"

#include "core/QrMatrix.h"
#include "core/QrPayload.h"
#include "platform/Trace.h"
#include "platform/VisibleText.h"
#include "platform/win32/WideText.h"
#include "win/ControlIds.h"
#include "win/CrLfText.h"
#include "win/LogExport.h"
#include "win/WindowTexts.h"

namespace korvane {
MainFrame::MainFrame(FrameParts parts, std::filesystem::path settingsFile, std::string captureFile)
    : mParts(parts),
      mUiThread(parts.instance),
      mUpdates(
          mUiThread, [this](LogLines lines) { showLines(std::move(lines)); },
          [this] {
              mCore->listenerEnded();
              showListening(false);
          }) {
    mCore = std::make_unique<AppCore>(
        CorePorts{parts.desktop, *this, *this, parts.dialogs, *this, mUiThread},
        std::move(settingsFile), std::move(captureFile));
    createWindow();
    mParts.dialogs.setOwner(mWindow);
    createControls();
    fillAbout();
    applySettings();
    fillAddresses();
    selectSavedAddress();
    showListening(false);
    if (auto failure = mCore->watchAddresses(*this, readLocalAddresses)) {
        traceOutput("watchAddresses: " + *failure);
    }
}

MainFrame::~MainFrame() {
    if (mWindow != nullptr) {
        DestroyWindow(mWindow);
    }
    if (mStatusBrush != nullptr) {
        DeleteObject(mStatusBrush);
    }
    if (mInfoBrush != nullptr) {
        DeleteObject(mInfoBrush);
    }
    if (mLogo != nullptr) {
        DestroyIcon(mLogo);
    }
}

std::wstring MainFrame::uiText(const char* source) const {
    return win32::widen(mParts.texts.text(wintext::kContext, source));
}

std::string MainFrame::portText() const {
    HWND port = GetDlgItem(mWindow, winid::kPort);
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(port)) + 1, L'\0');
    text.resize(
        static_cast<std::size_t>(GetWindowTextW(port, text.data(), static_cast<int>(text.size()))));
    return win32::narrow(text);
}

bool MainFrame::isChecked(int id) const {
    return IsDlgButtonChecked(mWindow, id) == BST_CHECKED;
}

void MainFrame::show() {
    ShowWindow(mWindow, SW_SHOWNORMAL);
    UpdateWindow(mWindow);
    mCore->armAutomaticStart([this] { return isChecked(winid::kAutoStart); },
                             [this] { toggleListening(); });
}

void MainFrame::announceDesktop(const DesktopChoice& choice) {
    mCore->announceDesktop(choice);
    if (!choice.notice.empty()) {
        SetDlgItemTextW(mWindow, winid::kDetail, crLfText(choice.notice).c_str());
    }
}

void MainFrame::insertLogLine(const std::string& line) {
    mUpdates.postLine(line);
}

void MainFrame::listenerStopped() {
    mUpdates.postStopped();
}

void MainFrame::ask(const std::string&, const std::string&) {
    mUiThread.post([this] { showWaitingPhones(); });
}

void MainFrame::showWaitingPhones() {
    if (mDestroyed) {
        return;
    }
    if (mApprovalList == nullptr) {
        mApprovalList = std::make_unique<ApprovalListWindow>(
            mParts.instance, mParts.texts, mCore->approvalDesk(), [this] {
                // A phone approved by the code leaves the list.
                showApprovalCode([this] { mApprovalList->refresh(); });
            });
    }
    mApprovalList->showPhones();
}

void MainFrame::showDevices() {
    mDevices.reset();
    mDevices = std::make_unique<DevicesWindow>(
        mParts.instance, mWindow, mParts.texts, mCore->approvalDesk(), [this] {
            showApprovalCode([this] {
                if (mDevices != nullptr && mDevices->isOpen()) {
                    mDevices->fill();
                }
            });
        });
}

void MainFrame::showOptions() {
    mOptions.reset();
    mOptions = std::make_unique<OptionsWindow>(
        mParts.instance, mWindow, mParts.texts, OptionsForm::of(mCore->settings(), false),
        [this](const OptionsForm& chosen) { applyOptions(chosen); });
}

void MainFrame::applyOptions(const OptionsForm& chosen) {
    if (mCore->writeOptions(chosen.chosen(mCore->settings()))) {
        const std::u8string file = mCore->settingsFile().u8string();
        mParts.dialogs.showError(
            withArgument(mParts.texts.text(wintext::kContext, wintext::kCannotWrite),
                         std::string(file.begin(), file.end())));
    }
}

void MainFrame::showApprovalCode(std::function<void()> used) {
    mCodeWindow.reset();
    mCodeWindow = std::make_unique<ApprovalCodeWindow>(mParts.instance, mParts.texts,
                                                       mCore->approvalCode(), std::move(used));
}

void MainFrame::applySettings() {
    const AppSettings& settings = mCore->settings();
    SetDlgItemTextW(mWindow, winid::kPort, win32::widen(settings.portNo).c_str());
    CheckDlgButton(mWindow, winid::kAutoStart, settings.autoStart ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(mWindow, winid::kMinimize, settings.minimize ? BST_CHECKED : BST_UNCHECKED);
    // The settings keep the outer rectangle.
    SetWindowPos(mWindow, nullptr, settings.left, settings.top, settings.width, settings.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainFrame::saveSettings() {
    AppSettings settings;
    settings.ipAddress = mCore->selectedAddress();
    // The port as read keeps its bytes until it is edited: text that is not UTF-8 shows as
    // U+FFFD and would come back as that.
    const std::string& readPort = mCore->settings().portNo;
    const std::string port = portText();
    settings.portNo = port == win32::narrow(win32::widen(readPort)) ? readPort : port;
    settings.autoStart = isChecked(winid::kAutoStart);
    settings.minimize = isChecked(winid::kMinimize);
    // Where a minimised or maximised window will be restored.
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    GetWindowPlacement(mWindow, &placement);
    const RECT& frame = placement.rcNormalPosition;
    settings.top = frame.top;
    settings.left = frame.left;
    settings.height = frame.bottom - frame.top;
    settings.width = frame.right - frame.left;
    if (auto failure = mCore->saveSettings(settings)) {
        traceOutput(*failure);
        if (!mCore->sessionEnding()) {
            const std::u8string file = mCore->settingsFile().u8string();
            mParts.dialogs.showError(
                withArgument(mParts.texts.text(wintext::kContext, wintext::kCannotWrite),
                             std::string(file.begin(), file.end())));
        }
    }
}

void MainFrame::fillAddresses() {
    std::vector<LocalAddress> addresses;
    readLocalAddresses(addresses);
    showAddresses(addresses);
}

void MainFrame::showAddresses(const std::vector<LocalAddress>& addresses) {
    HWND list = GetDlgItem(mWindow, winid::kAddressList);
    SendMessageW(list, CB_RESETCONTENT, 0, 0);
    mAddresses = addresses;
    for (const LocalAddress& entry : mAddresses) {
        const std::string shown = entry.interfaceName.empty()
                                      ? entry.address
                                      : entry.address + " (" + entry.interfaceName + ")";
        SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(win32::widen(shown).c_str()));
    }
    if (!mAddresses.empty()) {
        SendMessageW(list, CB_SETCURSEL, 0, 0);
    }
}

std::string MainFrame::chosenAddress() const {
    const auto selected =
        static_cast<int>(SendDlgItemMessageW(mWindow, winid::kAddressList, CB_GETCURSEL, 0, 0));
    return selected >= 0 && static_cast<std::size_t>(selected) < mAddresses.size()
               ? mAddresses[static_cast<std::size_t>(selected)].address
               : std::string();
}

void MainFrame::addressesChanged(const std::vector<LocalAddress>& addresses) {
    const std::string chosen = mCore->isListening() ? mCore->selectedAddress() : chosenAddress();
    showAddresses(addresses);
    for (std::size_t i = 0; i < mAddresses.size(); ++i) {
        if (mAddresses[i].address == chosen) {
            SendDlgItemMessageW(mWindow, winid::kAddressList, CB_SETCURSEL, i, 0);
        }
    }
}

void MainFrame::listeningSuspended(const std::string&) {
    setStatus(wintext::kStatusAwaitingAddress, RGB(0xFF, 0xFF, 0x00));
    mQr.show(QrMatrix{});
    mLargeQr.reset();
}

void MainFrame::listeningResumed(const std::string& address) {
    for (std::size_t i = 0; i < mAddresses.size(); ++i) {
        if (mAddresses[i].address == address) {
            SendDlgItemMessageW(mWindow, winid::kAddressList, CB_SETCURSEL, i, 0);
        }
    }
    showListening(true);
}

void MainFrame::selectSavedAddress() {
    const std::string& saved = mCore->selectedAddress();
    for (std::size_t i = 0; i < mAddresses.size(); ++i) {
        if (mAddresses[i].address == saved) {
            SendDlgItemMessageW(mWindow, winid::kAddressList, CB_SETCURSEL, i, 0);
            return;
        }
    }
    if (!saved.empty()) {
        // The PC may have moved to another network since: the phone's QR code would point
        // nowhere, so say so before anyone starts listening.
        mCore->handler().addLog(
            "Setting",
            withArgument(mParts.texts.text(wintext::kContext, wintext::kAddressGone), saved));
    }
}

void MainFrame::toggleListening() {
    if (mCore->isListening()) {
        mCore->stop();
        return;
    }
    if (auto refusal = mCore->start(chosenAddress(), portText())) {
        showStartRefusal(*refusal);
        return;
    }
    showListening(true);
    if (isChecked(winid::kMinimize)) {
        ShowWindow(mWindow, SW_MINIMIZE);
    }
}

void MainFrame::showStartRefusal(const StartRefusal& refusal) {
    const std::string invalid = mParts.texts.text(wintext::kContext, wintext::kPortInvalid);
    switch (refusal.reason) {
        case StartRefusal::Reason::NoAddress:
            mParts.dialogs.showError(invalid);
            return;
        case StartRefusal::Reason::PortNotInteger:
            mParts.dialogs.showError(
                invalid + "\r" +
                withArgument(mParts.texts.text(wintext::kContext, wintext::kNotAnInteger),
                             refusal.detail));
            return;
        case StartRefusal::Reason::ServerRefused:
            mParts.dialogs.showError(refusal.detail);
            return;
    }
}

void MainFrame::showListening(bool listening) {
    SetDlgItemTextW(mWindow, winid::kListen,
                    uiText(listening ? wintext::kStop : wintext::kListen).c_str());
    for (int id :
         {winid::kPort, winid::kAddressList, winid::kAutoStart, winid::kMinimize, winid::kQuit}) {
        EnableWindow(GetDlgItem(mWindow, id), !listening);
    }
    setStatus(listening ? wintext::kStatusListening : wintext::kStatusStopped,
              listening ? RGB(0x00, 0xFF, 0x00) : RGB(0xC0, 0xC0, 0xC0));
    mQr.show(listening ? encodeQr(qrPayload(mCore->selectedAddress(), portText())) : QrMatrix{});
    if (!listening) {
        mLargeQr.reset();
    }
}

void MainFrame::showLargeQr() {
    if (mQr.matrix().size == 0) {
        return;
    }
    mLargeQr.reset();
    mLargeQr = std::make_unique<QrLargeWindow>(
        mParts.instance, mWindow,
        mParts.texts.text(wintext::kLargeQrContext, wintext::kLargeQrTitle), mQr.matrix(),
        mCore->selectedAddress() + " : " + portText());
}

void MainFrame::setStatus(const char* source, COLORREF colour) {
    SetDlgItemTextW(mWindow, winid::kStatus, uiText(source).c_str());
    if (mStatusBrush != nullptr) {
        DeleteObject(mStatusBrush);
    }
    mStatusBrush = CreateSolidBrush(colour);
    InvalidateRect(GetDlgItem(mWindow, winid::kStatus), nullptr, TRUE);
}

void MainFrame::showLines(LogLines oldestFirst) {
    // The newest line becomes the selection; only a click shows a line in the detail box.
    mLog.addNewest(std::move(oldestFirst));
}

void MainFrame::showLine(int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= mLog.size()) {
        return;
    }
    // Whole, on as many lines as it has, but with no control of a peer's bytes in effect.
    const std::string line =
        visibleText(mLog.line(static_cast<std::size_t>(row)), LineBreaks::Keep);
    SetDlgItemTextW(mWindow, winid::kDetail, crLfText(line).c_str());
}

void MainFrame::showLogMenu() {
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, winid::kExportLog, uiText(wintext::kExportMenu).c_str());
    POINT at{};
    GetCursorPos(&at);
    TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, mWindow,
                   nullptr);
    DestroyMenu(menu);
}

void MainFrame::exportChosenFile() {
    const std::optional<std::filesystem::path> file =
        chooseExportFile(mWindow, mParts.texts.text(wintext::kContext, wintext::kExportTitle),
                         mParts.texts.text(wintext::kContext, wintext::kExportTypes));
    if (file && !exportLog(mLog, *file)) {
        const std::u8string path = file->u8string();
        mParts.dialogs.showError(
            withArgument(mParts.texts.text(wintext::kContext, wintext::kCannotWrite),
                         std::string(path.begin(), path.end())));
    }
}

void MainFrame::close() {
    switch (mCore->requestClose()) {
        case CloseAnswer::Accept:
            DestroyWindow(mWindow);
            return;
        case CloseAnswer::StillListening:
            mParts.dialogs.showWarning(mParts.texts.text(wintext::kContext, wintext::kStopFirst));
            return;
        case CloseAnswer::AskToConfirm:
            if (mParts.dialogs.confirm(
                    mParts.texts.text(wintext::kContext, wintext::kConfirmExit))) {
                DestroyWindow(mWindow);
            }
            return;
    }
}

void MainFrame::destroyed() {
    if (mDestroyed) {
        return;
    }
    mDestroyed = true;
    // A server thread waiting for an error box would keep the server from ending.
    mParts.dialogs.shutdown();
    mOptions.reset();
    mDevices.reset();
    mCodeWindow.reset();
    mApprovalList.reset();
    // The server goes first: its threads report into the handler and this window until they end.
    mCore->shutDown();
    // A box of the window being destroyed would not show.
    mParts.dialogs.setOwner(nullptr);
    saveSettings();
    PostQuitMessage(0);
}

}  // namespace korvane
