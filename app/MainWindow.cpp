#include "app/MainWindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTextCursor>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <chrono>

#include "app/ApprovalWindow.h"
#include "app/Autostart.h"
#include "app/DevicesDialog.h"
#include "app/Fonts.h"
#include "app/IntegerText.h"
#include "app/Logos.h"
#include "app/OptionsDialog.h"
#include "app/QrCode.h"
#include "app/QrLargeWindow.h"
#include "app/QrPaintBox.h"
#include "app/Settings.h"
#include "app/Version.h"
#include "handling/DeviceSettings.h"
#include "handling/ScanHistory.h"
#include "platform/Trace.h"

namespace korvane {
namespace {

constexpr char kContext[] = "korvane::MainWindow";
constexpr char kStatusStopped[] = QT_TRANSLATE_NOOP("korvane::MainWindow", "待ち受け停止中");
constexpr char kStatusListening[] = QT_TRANSLATE_NOOP("korvane::MainWindow", "待ち受け中");
constexpr char kPortInvalid[] = QT_TRANSLATE_NOOP("korvane::MainWindow", "ポート番号が不正です。");
constexpr char kStopFirst[] =
    QT_TRANSLATE_NOOP("korvane::MainWindow", "待ち受けを停止してください。");
constexpr char kConfirmExit[] =
    QT_TRANSLATE_NOOP("korvane::MainWindow", "プログラムを終了しますか？");

const QColor kSilver(0xC0, 0xC0, 0xC0);
const QColor kLime(0x00, 0xFF, 0x00);

constexpr int kFontHeight = 14;
constexpr int kLogRowHeight = 21;
constexpr int kTopBandHeight = 153;
constexpr int kStatusHeight = 22;
constexpr int kMessageBandHeight = 47;
constexpr int kButtonBarHeight = 58;

// A text of this window in the language of the program's translation.
QString uiText(const char* utf8) {
    return QCoreApplication::translate(kContext, utf8);
}

std::string uiString(const char* utf8) {
    return uiText(utf8).toStdString();
}

// Memo and detail box share the tooltip background of the desktop's palette.
void useTooltipBackground(QPlainTextEdit* edit) {
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::ToolTipBase));
    palette.setColor(QPalette::Text, palette.color(QPalette::ToolTipText));
    edit->setPalette(palette);
}

}  // namespace

MainWindow::MainWindow(Desktop& desktop, AppDialogs& dialogs, std::filesystem::path settingsFile,
                       std::string captureFile, AddressSource addresses)
    : mDialogs(dialogs),
      mSettingsFile(std::move(settingsFile)),
      mAddressSource(std::move(addresses)),
      mUpdates([this](LogLines lines) { showLines(std::move(lines)); },
               [this] { showListening(false); }) {
    DeviceSettings devices = readDeviceSettings(mSettingsFile);
    mApproval =
        std::make_unique<DeviceApproval>(*this, std::move(devices.devices), devices.approvalOn);
    // Saved by the window's thread: changes come from server threads too.
    mApproval->onChanged([this] {
        QMetaObject::invokeMethod(
            this, [this] { saveDevices(); }, Qt::QueuedConnection);
    });
    mHandler = std::make_unique<RequestHandler>(desktop, *this, *this, mDialogs,
                                                std::move(captureFile), mApproval.get());
    mServer = std::make_unique<RequestServer>(mHandler->hooks());

    createControls();
    setWindowTitle(QString::fromStdString(versionTitle()));
    detailText->clear();
    setStatus(kStatusStopped, kSilver);
    fillAbout();
    applySettings();
    addressBox->clear();
    fillAddresses(*addressBox);
    if (addressBox->count() > 0) {
        addressBox->setCurrentIndex(0);
    }
    const QString savedAddress = QString::fromStdString(mSelectedAddress);
    int saved = addressBox->findData(savedAddress);
    if (saved >= 0) {
        addressBox->setCurrentIndex(saved);
    } else if (!savedAddress.isEmpty()) {
        // The PC may have moved to another network since: the phone's QR code would point
        // nowhere, so say so before anyone starts listening.
        mHandler->addLog(
            "Setting",
            tr("前回のIPアドレス %1 はこのPCにありません。IPアドレスを選び直してください。")
                .arg(savedAddress)
                .toStdString());
    }
}

MainWindow::~MainWindow() {
    // The server goes first: its threads report into the handler and this window until they end.
    mServer.reset();
    saveSettings();
}

void MainWindow::ask(const std::string& clientKey, const std::string& address) {
    QMetaObject::invokeMethod(
        this, [this, clientKey, address] { showApprovalQuestion(clientKey, address); },
        Qt::QueuedConnection);
}

void MainWindow::showApprovalQuestion(const std::string& clientKey, const std::string& address) {
    auto* question = new ApprovalWindow(clientKey, address, this);
    mApprovalWindow = question;
    DeviceApproval* approval = mApproval.get();
    connect(question, &ApprovalWindow::answered, this,
            [approval, clientKey, address](ApprovalAnswer answer) {
                approval->answer(clientKey, address, answer);
            });
    question->show();
}

void MainWindow::showDevices() {
    DevicesDialog dialog(*mApproval, this);
    dialog.exec();
}

void MainWindow::saveDevices() {
    std::string error;
    if (!writeApprovedDevices(mSettingsFile, mApproval->devices(), error)) {
        traceOutput("saveDevices: " + mSettingsFile.string() + ": " + error);
    }
}

void MainWindow::createControls() {
    setFont(japaneseFont(kFontHeight));
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);

    auto* topBand = new QWidget(this);
    topBand->setFixedHeight(kTopBandHeight);
    auto* top = new QHBoxLayout(topBand);
    top->setContentsMargins(4, 2, 4, 2);
    root->addWidget(topBand);

    aboutBox = new QGroupBox(tr("アプリケーション情報"), topBand);
    auto* info = new QHBoxLayout(aboutBox);
    auto* logoPanel = new QWidget(aboutBox);
    logoPanel->setFixedWidth(93);
    logoPanel->setAutoFillBackground(true);
    QPalette white = logoPanel->palette();
    white.setColor(QPalette::Window, Qt::white);
    logoPanel->setPalette(white);
    logoLabel = new QLabel(logoPanel);
    logoLabel->setGeometry(2, 2, 89, 89);
    logoLabel->setAlignment(Qt::AlignCenter);
    logoLabel->setPixmap(QPixmap::fromImage(drawLogo(93)));
    aboutText = new QPlainTextEdit(aboutBox);
    aboutText->setReadOnly(true);
    aboutText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    useTooltipBackground(aboutText);
    info->addWidget(logoPanel);
    info->addWidget(aboutText, 1);
    top->addWidget(aboutBox, 1);

    settingsBox = new QGroupBox(tr("設定"), topBand);
    settingsBox->setFixedWidth(336);
    addressLabel = new QLabel(tr("IPアドレス:"), settingsBox);
    addressLabel->setGeometry(16, 28, 90, 24);
    addressBox = new QComboBox(settingsBox);
    addressBox->setEditable(false);
    // Wide enough for an address with its interface name.
    addressBox->setGeometry(110, 26, 216, 26);
    portLabel = new QLabel(tr("ポート番号:"), settingsBox);
    portLabel->setGeometry(16, 60, 90, 24);
    portEdit = new QLineEdit(QStringLiteral("65001"), settingsBox);
    portEdit->setGeometry(110, 58, 70, 26);
    optionsButton = new QPushButton(tr("詳細設定..."), settingsBox);
    optionsButton->setGeometry(190, 58, 130, 26);
    autoStartCheck = new QCheckBox(tr("起動時に自動待ち受け開始"), settingsBox);
    autoStartCheck->setGeometry(16, 90, 310, 24);
    minimizeCheck = new QCheckBox(tr("待ち受け開始時に最小化"), settingsBox);
    minimizeCheck->setGeometry(16, 116, 310, 24);
    top->addWidget(settingsBox);

    qrGroup = new QGroupBox(tr("Setting QR"), topBand);
    qrGroup->setFixedWidth(116);
    qrBox = new QrPaintBox(mQrBitmap, qrGroup);
    qrBox->setGeometry(20, 29, 76, 75);
    qrBox->setCursor(Qt::PointingHandCursor);
    qrBox->setToolTip(tr("クリックすると大きく表示します"));
    top->addWidget(qrGroup);

    auto* logBand = new QWidget(this);
    auto* logLayout = new QVBoxLayout(logBand);
    logLayout->setContentsMargins(0, 0, 0, 0);
    logLayout->setSpacing(0);
    statusLabel = new QLabel(logBand);
    statusLabel->setFixedHeight(kStatusHeight);
    statusLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    statusLabel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    statusLabel->setAutoFillBackground(true);
    // Lines come once a frame (UiUpdateQueue) into a log of up to 100,000: the list places rows
    // by arithmetic, so a frame costs the same however long the log is (bench_log,
    // BM_FrameWithView). Lines stay on one row (line breaks shown as a mark, see LogList.h) and
    // are cut at the edge; the detail box shows a whole line.
    logList = new LogListView(kLogRowHeight, logBand);
    logList->setModel(&mLogModel);
    logList->setTextElideMode(Qt::ElideNone);
    logList->setSelectionMode(QAbstractItemView::SingleSelection);
    logList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    logList->setContextMenuPolicy(Qt::CustomContextMenu);
    logLayout->addWidget(statusLabel);
    logLayout->addWidget(logList, 1);

    detailText = new QPlainTextEdit(this);
    useTooltipBackground(detailText);

    logSplitter = new QSplitter(Qt::Vertical, this);
    logSplitter->setHandleWidth(1);
    logSplitter->setChildrenCollapsible(false);
    logSplitter->addWidget(logBand);
    logSplitter->addWidget(detailText);
    logSplitter->setStretchFactor(0, 1);
    logSplitter->setStretchFactor(1, 0);
    logSplitter->setSizes({1000, kMessageBandHeight});
    root->addWidget(logSplitter, 1);

    auto* buttonBar = new QWidget(this);
    buttonBar->setFixedHeight(kButtonBarHeight);
    auto* buttons = new QHBoxLayout(buttonBar);
    buttons->setContentsMargins(4, 3, 4, 3);
    listenButton = new QPushButton(uiText(kListenCaption), buttonBar);
    listenButton->setFixedSize(134, 52);
    devicesButton = new QPushButton(tr("承認済みの端末"), buttonBar);
    devicesButton->setFixedHeight(52);
    closeButton = new QPushButton(tr("終了"), buttonBar);
    closeButton->setFixedSize(131, 52);
    buttons->addWidget(listenButton);
    buttons->addWidget(devicesButton);
    buttons->addStretch(1);
    buttons->addWidget(closeButton);
    root->addWidget(buttonBar);

    autoStartTimer = new QTimer(this);
    autoStartTimer->setInterval(100);

    connect(listenButton, &QPushButton::clicked, this, &MainWindow::toggleListening);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
    connect(devicesButton, &QPushButton::clicked, this, &MainWindow::showDevices);
    connect(logList, &LogListView::clicked, this, &MainWindow::showSelectedLine);
    connect(autoStartTimer, &QTimer::timeout, this, &MainWindow::startAutomatically);
    connect(optionsButton, &QPushButton::clicked, this, &MainWindow::openOptions);
    connect(qrBox, &QrPaintBox::clicked, this, &MainWindow::showLargeQr);
    connect(logList, &LogListView::customContextMenuRequested, this, &MainWindow::showLogMenu);
}

void MainWindow::fillAbout() {
    const char* lines[] = {
        QT_TRANSLATE_NOOP("korvane::MainWindow",
                          "本プログラムを使った結果の損害などについて、開発者は、一切の責任を負わな"
                          "いものとします。"),
        "",
        QT_TRANSLATE_NOOP(
            "korvane::MainWindow",
            "このプログラムは、Androidアプリケーション[KORVANE]のサーバーサイドプログラムです。 "
            "[KORVANE]は、無線LANでPCに接続できるバーコードリーダーアプリケーションです。"),
        "https://korvane.example.jp/",
        "",
        QT_TRANSLATE_NOOP("korvane::MainWindow", "通信には[Mirovel]を利用しています。"),
        "https://mirovel.example.jp/",
        "",
        QT_TRANSLATE_NOOP("korvane::MainWindow",
                          "このプログラムは、QRコードの描画に[ZXing]を利用しています。[ZXing]"
                          "のライセンスは、Apache "
                          "License Version2.0 (https://www.apache.org/licenses/LICENSE-2.0)です。"),
        "",
        "Copyright (C) KORVANE developers. All rights reserved.",
    };
    for (const char* line : lines) {
        aboutText->appendPlainText(uiText(line));
    }
    // Appending scrolls to the end; the reader starts at the disclaimer.
    aboutText->moveCursor(QTextCursor::Start);
}

void MainWindow::applySettings() {
    AppSettings settings = readSettings(mSettingsFile);
    mSelectedAddress = settings.ipAddress;
    portEdit->setText(QString::fromStdString(settings.portNo));
    autoStartCheck->setChecked(settings.autoStart);
    minimizeCheck->setChecked(settings.minimize);
    applyOptions(settings);
    // Moving a window places its frame; its size is set as the inner size until the frame is
    // known (event()).
    move(settings.left, settings.top);
    mWantedOuterSize = QSize(settings.width, settings.height);
    resize(mWantedOuterSize);
}

void MainWindow::saveSettings() {
    AppSettings settings = mOptions;
    settings.ipAddress = mSelectedAddress;
    settings.portNo = portEdit->text().toStdString();
    settings.autoStart = autoStartCheck->isChecked();
    settings.minimize = minimizeCheck->isChecked();
    // A minimised X11 window keeps its normal geometry, so this is where it will be restored.
    QRect frame = frameGeometry();
    settings.top = frame.top();
    settings.left = frame.left();
    settings.height = frame.height();
    settings.width = frame.width();
    std::string error;
    if (!writeSettings(mSettingsFile, settings, error)) {
        traceOutput(error);
        if (!mSessionEnding) {
            // writeSettings's text, through the translation.
            mDialogs.showError(tr("%1 に書き込めません")
                                   .arg(QString::fromStdString(mSettingsFile.string()))
                                   .toStdString());
        }
    }
}

bool MainWindow::event(QEvent* event) {
    bool result = QWidget::event(event);
    if (!mOuterSizeApplied && isVisible()) {
        QSize frame = frameGeometry().size() - geometry().size();
        if (frame.width() > 0 || frame.height() > 0) {
            mOuterSizeApplied = true;
            resize(mWantedOuterSize - frame);
        }
    }
    return result;
}

bool MainWindow::fillAddresses(QComboBox& combo) {
    std::vector<LocalAddress> addresses;
    bool found = mAddressSource(addresses);
    for (const LocalAddress& entry : addresses) {
        const QString address = QString::fromStdString(entry.address);
        combo.addItem(entry.interfaceName.empty()
                          ? address
                          : address + " (" + QString::fromStdString(entry.interfaceName) + ")",
                      address);
    }
    return found;
}

void MainWindow::toggleListening() {
    if (mListening) {
        mServer->stop();
        return;
    }
    if (addressBox->currentIndex() < 0) {
        mDialogs.showError(uiString(kPortInvalid));
        return;
    }
    mSelectedAddress = addressBox->currentData().toString().toStdString();
    std::string portText = portEdit->text().toStdString();
    std::optional<std::int32_t> port = parseIntegerText(portText);
    if (!port) {
        // notAnIntegerMessage's text, through the translation.
        mDialogs.showError(
            uiString(kPortInvalid) + "\r" +
            tr("''%1'' は整数ではありません").arg(QString::fromStdString(portText)).toStdString());
        return;
    }
    if (auto failure = mServer->start(mSelectedAddress, *port)) {
        mDialogs.showError(*failure);
        return;
    }
    showListening(true);
    if (minimizeCheck->isChecked()) {
        if (mMinimizeToTray) {
            hide();
        } else {
            showMinimized();
        }
    }
}

void MainWindow::insertLogLine(const std::string& line) {
    mUpdates.postLine(line);
}

void MainWindow::listenerStopped() {
    try {
        mUpdates.postStopped();
    } catch (...) {
        // A state change that cannot be passed on is lost; the caller is a server thread.
    }
}

void MainWindow::showListening(bool listening) {
    mListening = listening;
    listenButton->setText(uiText(listening ? kStopCaption : kListenCaption));
    for (QWidget* setting :
         {static_cast<QWidget*>(portEdit), static_cast<QWidget*>(addressBox),
          static_cast<QWidget*>(autoStartCheck), static_cast<QWidget*>(minimizeCheck),
          static_cast<QWidget*>(closeButton)}) {
        setting->setEnabled(!listening);
    }
    setStatus(listening ? kStatusListening : kStatusStopped, listening ? kLime : kSilver);
    showQr(listening);
    if (!listening && largeQrWindow != nullptr) {
        largeQrWindow->close();
    }
    emit listeningChanged(listening);
}

void MainWindow::showLines(LogLines oldestFirst) {
    mLogModel.addNewest(std::move(oldestFirst));
    // The newest line becomes the selection; only a click shows a line in the detail box.
    logList->selectionModel()->setCurrentIndex(mLogModel.index(0),
                                               QItemSelectionModel::ClearAndSelect);
}

void MainWindow::showSelectedLine() {
    QModelIndexList selected = logList->selectionModel()->selectedIndexes();
    if (selected.isEmpty()) {
        return;
    }
    detailText->setPlainText(selected.first().data(LogListModel::kWholeLineRole).toString());
}

void MainWindow::setStatus(const char* text, QColor colour) {
    statusLabel->setText(uiText(text));
    QPalette palette = statusLabel->palette();
    palette.setColor(QPalette::Window, colour);
    statusLabel->setPalette(palette);
}

void MainWindow::showQr(bool shown) {
    mQrBitmap = shown ? buildQrBitmap(qrPayload(mSelectedAddress, portEdit->text().toStdString()))
                      : QImage();
    qrBox->repaint();
}

void MainWindow::announceDesktop(const DesktopChoice& choice) {
    mHandler->addLog("Server", "[Desktop]" + choice.name);
    if (!choice.notice.empty()) {
        mHandler->addLog("Server", "[Desktop]" + choice.notice);
        detailText->setPlainText(QString::fromStdString(choice.notice));
    }
}

void MainWindow::armAutomaticStart() {
    autoStartTimer->start();
}

void MainWindow::startAutomatically() {
    autoStartTimer->stop();
    if (autoStartCheck->isChecked()) {
        toggleListening();
    }
}

void MainWindow::endSession() {
    mSessionEnding = true;
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (mSessionEnding) {
        event->accept();
        return;
    }
    if (mListening) {
        mDialogs.showWarning(uiString(kStopFirst));
        event->ignore();
        return;
    }
    if (!mDialogs.confirm(uiString(kConfirmExit))) {
        event->ignore();
        return;
    }
    event->accept();
    emit closed();
}

void MainWindow::showFromTray() {
    showNormal();
    raise();
    activateWindow();
}

std::filesystem::path MainWindow::historyFile() const {
    return mSettingsFile.parent_path() / "history" / "korvane-scans.csv";
}

void MainWindow::applyOptions(const AppSettings& settings) {
    mOptions = settings;
    HandlingOptions options;
    options.inputMethod = settings.inputMethod == 1 ? InputMethod::TypeKeys : InputMethod::Paste;
    options.restoreClipboard = settings.restoreClipboard;
    options.keyDelay = std::chrono::milliseconds(std::clamp(settings.keyDelayMs, 0, 1000));
    options.duplicateWindow =
        std::chrono::seconds(std::clamp(settings.duplicateSeconds, 0, 24 * 3600));
    if (settings.scanHistory) {
        options.history = std::make_shared<ScanHistory>(historyFile());
    }
    mHandler->setOptions(std::move(options));
}

void MainWindow::openOptions() {
    const std::filesystem::path entry = autostartFilePath();
    const bool startsWithSession = autostartEnabled(entry);
    OptionsDialog dialog(mOptions, startsWithSession, this);
    connect(&dialog, &OptionsDialog::historyFolderRequested, this, &MainWindow::openHistoryFolder);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    applyOptions(dialog.chosen(mOptions));
    if (dialog.startsWithSession() != startsWithSession) {
        std::string error;
        const bool done =
            dialog.startsWithSession()
                ? enableAutostart(entry, QCoreApplication::applicationFilePath().toStdString(),
                                  error)
                : disableAutostart(entry, error);
        if (!done) {
            mDialogs.showError(error);
        }
    }
}

void MainWindow::openHistoryFolder() {
    const std::filesystem::path folder = historyFile().parent_path();
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(folder.string())));
}

bool MainWindow::exportLog(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    for (int row = mLogModel.rowCount() - 1; row >= 0; --row) {
        file.write(mLogModel.index(row).data(LogListModel::kWholeLineRole).toString().toUtf8());
        file.write("\n");
    }
    return file.flush();
}

void MainWindow::chooseExportFile() {
    const QString path =
        QFileDialog::getSaveFileName(this, tr("ログを書き出す"), QStringLiteral("korvane-log.txt"),
                                     tr("テキストファイル (*.txt);;すべてのファイル (*)"));
    if (!path.isEmpty() && !exportLog(path)) {
        mDialogs.showError(tr("%1 に書き込めません").arg(path).toStdString());
    }
}

void MainWindow::showLogMenu(const QPoint& at) {
    QMenu menu(this);
    menu.addAction(tr("表示中のログを書き出す..."), this, &MainWindow::chooseExportFile);
    menu.addAction(tr("スキャン履歴のフォルダーを開く"), this, &MainWindow::openHistoryFolder);
    menu.exec(logList->viewport()->mapToGlobal(at));
}

void MainWindow::showLargeQr() {
    if (mQrBitmap.isNull()) {
        return;
    }
    if (largeQrWindow != nullptr) {
        largeQrWindow->close();
    }
    auto* window = new QrLargeWindow(
        mQrBitmap,
        QString::fromStdString(mSelectedAddress) + QStringLiteral(" : ") + portEdit->text(), this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    connect(window, &QObject::destroyed, this, [this, window] {
        if (largeQrWindow == window) {
            largeQrWindow = nullptr;
        }
    });
    largeQrWindow = window;
    window->show();
}

}  // namespace korvane
