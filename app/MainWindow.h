#pragma once

#include <QImage>
#include <QPointer>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/ApprovalCodeWindow.h"
#include "app/ApprovalWindow.h"
#include "app/LogList.h"
#include "app/LogListView.h"
#include "app/QtUiThread.h"
#include "core/AddressView.h"
#include "core/AppCore.h"
#include "core/AppDialogs.h"
#include "core/LocalAddresses.h"
#include "core/Settings.h"
#include "core/UiUpdateQueue.h"
#include "desktop/Desktop.h"
#include "desktop/DesktopChoice.h"
#include "handling/ApprovalPrompt.h"
#include "handling/WindowPorts.h"

class QCheckBox;
class QDialog;
class QComboBox;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class QVBoxLayout;

namespace korvane {

class QrPaintBox;

// The button's captions as written; shown through the window's translation.
inline constexpr char kListenCaption[] = QT_TRANSLATE_NOOP("korvane::MainWindow", "待ち受け開始");
inline constexpr char kStopCaption[] = QT_TRANSLATE_NOOP("korvane::MainWindow", "待ち受け停止");
// Shown by the program's start when another copy runs already.
inline constexpr char kAlreadyRunning[] =
    QT_TRANSLATE_NOOP("korvane::MainWindow", "既に起動されています。ご確認ください。");
// Shown by the program's start when it cannot make sure it is the only copy; %1 is the lock.
inline constexpr char kLockUnavailable[] = QT_TRANSLATE_NOOP(
    "korvane::MainWindow",
    "二重起動を防ぐためのロック %1 を作成できないため、起動できません。ご確認ください。");

// The main window: address, port, start and stop, the connection QR code and the log. A view of
// the application core (AppCore), which owns the request server, request handling and the
// approval of phones; the window lists the phones that are not approved for the user, and the
// options dialog and the tray icon hang off it.
class MainWindow : public QWidget,
                   public LogView,
                   public ListenerView,
                   public ApprovalPrompt,
                   public AddressView {
    Q_OBJECT
  public:
    MainWindow(Desktop& desktop, AppDialogs& dialogs, std::filesystem::path settingsFile,
               std::string captureFile, AddressSource addresses);
    // Stops the server, then writes the settings.
    ~MainWindow() override;

    // LogView, ListenerView: any thread; the window's thread applies them in call order.
    void insertLogLine(const std::string& line) override;
    void listenerStopped() override;
    // ApprovalPrompt: any thread; the window's thread shows the waiting phones.
    void ask(const std::string& clientKey, const std::string& address) override;
    // AddressView: the window's thread. The list follows the PC's addresses, keeping the choice;
    // while listening waits for its address the status says so and no QR code is shown.
    void addressesChanged(const std::vector<LocalAddress>& addresses) override;
    void listeningSuspended(const std::string& address) override;
    void listeningResumed(const std::string& address) override;

    // The session ends (signal, logout): the window closes without asking, and a failure to save
    // is only traced, as nobody is left to confirm a box.
    void endSession();

    void toggleListening();
    bool isListening() const { return mCore->isListening(); }
    // With a tray icon, "minimise when listening starts" hides the window into the tray.
    void setMinimizeToTray(bool toTray) { mMinimizeToTray = toTray; }
    bool minimizesToTray() const { return mMinimizeToTray; }
    // Brings the window back from the tray or the task bar.
    void showFromTray();
    // The options dialog; the user's choices apply at once (the language at the next start).
    void openOptions();
    // Applies the options part of `settings` to request handling.
    void applyOptions(const AppSettings& settings) { mCore->applyOptions(settings); }
    const AppSettings& options() const { return mCore->settings(); }
    std::filesystem::path historyFile() const { return mCore->historyFile(); }
    // Makes the scan history's folder, copies its path to the clipboard (there may be no file
    // manager to open it) and asks the desktop to open it; returns the note that says so.
    QString openHistoryFolder();
    // Writes the log's lines, oldest first, to `path` as UTF-8 text; false when it cannot.
    bool exportLog(const QString& path);
    // The QR code large in a window of its own (only while listening, when there is one).
    void showLargeQr();
    // Says in the log which desktop implementation types and captures, and shows its notice (what
    // it cannot reach) in the detail box.
    void announceDesktop(const DesktopChoice& choice);
    // Says where the settings now live when they were just taken from beside the program.
    void announceSettingsPlace(const SettingsPlace& place) { mCore->announceSettingsPlace(place); }
    // Arms the core's automatic start (once the splash has closed): listening starts shortly
    // after if the automatic start box is then checked.
    void armAutomaticStart();
    RequestHandler& handler() { return mCore->handler(); }
    DeviceApproval& approval() { return mCore->approval(); }
    ApprovalDesk& approvalDesk() { return mCore->approvalDesk(); }
    ApprovalCode& approvalCode() { return mCore->approvalCode(); }
    // The window of the phones waiting for approval, once a phone has waited.
    ApprovalWindow* approvalWindow() const { return mApprovalWindow; }
    // The dialog of the devices approved for good, modal.
    void showDevices();
    // A new approval code in a window of its own, owned by `owner` (the window that asked for
    // it): shown, deleted when it closes.
    ApprovalCodeWindow* showApprovalCode(QWidget* owner);
    const QImage& qrBitmap() const { return mQrBitmap; }
    const std::string& selectedAddress() const { return mCore->selectedAddress(); }

    QGroupBox* aboutBox;
    QLabel* logoLabel;
    QPlainTextEdit* aboutText;
    QGroupBox* settingsBox;
    QLabel* addressLabel;
    QComboBox* addressBox;
    QLabel* portLabel;
    QLineEdit* portEdit;
    QCheckBox* autoStartCheck;
    QCheckBox* minimizeCheck;
    QGroupBox* qrGroup;
    QrPaintBox* qrBox;
    QLabel* statusLabel;
    LogListView* logList;
    QSplitter* logSplitter;
    QPlainTextEdit* detailText;
    QPushButton* listenButton;
    QPushButton* devicesButton;
    QPushButton* closeButton;
    QPushButton* optionsButton;
    QDialog* largeQrWindow = nullptr;

  signals:
    // Listening started (true) or ended (false).
    void listeningChanged(bool listening);
    // The user's close was accepted; the program ends.
    void closed();

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

  private:
    // MainWindowControls.cpp.
    void createControls();
    void createAboutBox(QWidget* band, QHBoxLayout* top);
    void createSettingsBox(QWidget* band, QHBoxLayout* top);
    void createLogBand(QVBoxLayout* root);
    void createButtonBar(QVBoxLayout* root);
    void fillAbout();
    void applySettings();
    void saveSettings();
    bool fillAddresses(QComboBox& combo);
    static void addAddresses(QComboBox& combo, const std::vector<LocalAddress>& addresses);
    // The controls, status and QR code of the listening (or stopped) state.
    void showListening(bool listening);
    void showLines(LogLines oldestFirst);
    void setStatus(const char* text, QColor colour);
    void showQr(bool shown);
    void showSelectedLine();
    void showLogMenu(const QPoint& at);
    void chooseExportFile();
    void showWaitingPhones();
    void showStartRefusal(const StartRefusal& refusal);
    void minimiseOnStart();
    // Selects the saved address in the list, or logs that this PC no longer has it.
    void selectSavedAddress();

    AppDialogs& mDialogs;
    AddressSource mAddressSource;
    bool mMinimizeToTray = false;
    // The outer size from the settings, applied once the window manager's frame is known.
    QSize mWantedOuterSize;
    bool mOuterSizeApplied = false;

    QImage mQrBitmap;
    LogListModel mLogModel;
    QtUiThread mUiThread;
    UiUpdateQueue mUpdates;
    QPointer<ApprovalWindow> mApprovalWindow;
    // Last, so that it is destroyed (waiting for the server's threads) before what they report to.
    std::unique_ptr<AppCore> mCore;
};

}  // namespace korvane
