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
#include "handling/RequestHandler.h"
#include "handling/WindowPorts.h"
#include "server/SSServerUnit.h"

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

class TQRPaintBox;

// Fills the list with this PC's IPv4 addresses; false when they could not be read.
using AddressSource = std::function<bool(std::vector<std::string>& pAddresses)>;

inline constexpr char kCaptionStart[] = "待ち受け開始";
inline constexpr char kCaptionStop[] = "待ち受け停止";

// The main window: address, port, start and stop, the connection QR code and the log. It owns the
// request server and the request handling that serves it.
class TForm1 : public QWidget, public ILogView, public IListenerView {
    Q_OBJECT
  public:
    TForm1(Desktop& pDesktop, IAppDialogs& pDialogs, std::filesystem::path pSettingsFile,
           std::string pCaptureFile, AddressSource pAddresses);
    // Stops the server, then writes the settings.
    ~TForm1() override;

    // ILogView, IListenerView: any thread; the window's thread applies them in call order.
    void InsertLogLine(const std::string& pLine) override;
    void SetStoppedState(const std::string& pCaption) override;

    // The session ends (signal, logout): the window closes without asking, and a failure to save
    // is only traced, as nobody is left to confirm a box.
    void EndSession();

    void cmdListenClick();
    TRequestHandler& Handler() { return *mHandler; }
    const QImage& QrBitmap() const { return mbmQR; }
    const std::string& SelectedAddress() const { return mSelectedAddress; }

    QGroupBox* GroupBox1;
    QLabel* Image1;
    QPlainTextEdit* Memo1;
    QGroupBox* grpSetting;
    QLabel* Label2;
    QComboBox* cmbIpAddress;
    QLabel* Label1;
    QLineEdit* txtPort;
    QCheckBox* chkAutoStart;
    QCheckBox* chkMinimize;
    QGroupBox* GroupBox2;
    TQRPaintBox* pbQR;
    QLabel* pnlConnect;
    QListView* lstLog;
    QSplitter* Splitter1;
    QPlainTextEdit* txtMessage;
    QPushButton* cmdListen;
    QPushButton* cmdClose;
    QTimer* tmrStart;

  signals:
    // The user's close was accepted; the program ends.
    void Closed();

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

  private:
    void CreateControls();
    void FillMemo();
    void ApplySettings();
    void SaveSettings();
    bool COM_GetLocalIP(QComboBox& pobjCombo);
    void ApplyStoppedState(const std::string& pCaption);
    void ShowLines(const std::vector<std::string>& pOldestFirst);
    void SetStatus(const char* pText, QColor pColour);
    void mdlSetQR(bool pbooSwitch);
    void lstLogClick();
    void tmrStartTimer();

    IAppDialogs& mDialogs;
    std::filesystem::path mSettingsFile;
    AddressSource mAddressSource;
    bool mSessionEnding = false;
    // The outer size from the settings, applied once the window manager's frame is known.
    QSize mWantedOuterSize;
    bool mOuterSizeApplied = false;

    QImage mbmQR;
    // The address listening uses: the saved one until a start attempt takes the list's choice.
    std::string mSelectedAddress;
    TLogListModel mLogModel;
    TUiUpdateQueue mUpdates;
    std::unique_ptr<TRequestHandler> mHandler;
    std::unique_ptr<TSSServer> mServer;
};

}  // namespace korvane
