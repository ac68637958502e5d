#pragma once

#include <QImage>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/AppDialogs.h"
#include "app/LogList.h"
#include "app/UiUpdateQueue.h"
#include "desktop/Desktop.h"
#include "desktop/DesktopChoice.h"
#include "handling/RequestHandler.h"
#include "handling/WindowPorts.h"
#include "server/RequestServer.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListView;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class QTimer;

namespace korvane {

class QrPaintBox;

// Fills the list with this PC's IPv4 addresses; false when they could not be read.
using AddressSource = std::function<bool(std::vector<std::string>& addresses)>;

inline constexpr char kListenCaption[] = "待ち受け開始";
inline constexpr char kStopCaption[] = "待ち受け停止";

// The main window: address, port, start and stop, the connection QR code and the log. It owns the
// request server and the request handling that serves it.
class MainWindow : public QWidget, public LogView, public ListenerView {
    Q_OBJECT
  public:
    MainWindow(Desktop& desktop, AppDialogs& dialogs, std::filesystem::path settingsFile,
               std::string captureFile, AddressSource addresses);
    // Stops the server, then writes the settings.
    ~MainWindow() override;

    // LogView, ListenerView: any thread; the window's thread applies them in call order.
    void insertLogLine(const std::string& line) override;
    void listenerStopped() override;

    // The session ends (signal, logout): the window closes without asking, and a failure to save
    // is only traced, as nobody is left to confirm a box.
    void endSession();

    void toggleListening();
    // Says in the log which desktop implementation types and captures, and shows its notice (what
    // it cannot reach) in the detail box.
    void announceDesktop(const DesktopChoice& choice);
    // Starts the automatic start's short timer (once the splash has closed): listening starts
    // then if the settings ask for it.
    void armAutomaticStart();
    RequestHandler& handler() { return *mHandler; }
    const QImage& qrBitmap() const { return mQrBitmap; }
    const std::string& selectedAddress() const { return mSelectedAddress; }

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
    QListView* logList;
    QSplitter* logSplitter;
    QPlainTextEdit* detailText;
    QPushButton* listenButton;
    QPushButton* closeButton;
    QTimer* autoStartTimer;

  signals:
    // The user's close was accepted; the program ends.
    void closed();

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

  private:
    void createControls();
    void fillAbout();
    void applySettings();
    void saveSettings();
    bool fillAddresses(QComboBox& combo);
    // The controls, status and QR code of the listening (or stopped) state.
    void showListening(bool listening);
    void showLines(const std::vector<std::string>& oldestFirst);
    void setStatus(const char* text, QColor colour);
    void showQr(bool shown);
    void showSelectedLine();
    void startAutomatically();

    AppDialogs& mDialogs;
    std::filesystem::path mSettingsFile;
    AddressSource mAddressSource;
    bool mSessionEnding = false;
    // Set when a start succeeded, cleared when the listener reports its end.
    bool mListening = false;
    // The outer size from the settings, applied once the window manager's frame is known.
    QSize mWantedOuterSize;
    bool mOuterSizeApplied = false;

    QImage mQrBitmap;
    // The address listening uses: the saved one until a start attempt takes the list's choice.
    std::string mSelectedAddress;
    LogListModel mLogModel;
    UiUpdateQueue mUpdates;
    std::unique_ptr<RequestHandler> mHandler;
    std::unique_ptr<RequestServer> mServer;
};

}  // namespace korvane
