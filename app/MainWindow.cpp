#include "app/MainWindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTextCursor>
#include <QTimer>
#include <QVBoxLayout>

#include "app/Fonts.h"
#include "app/IntegerText.h"
#include "app/Logos.h"
#include "app/QrCode.h"
#include "app/QrPaintBox.h"
#include "app/Settings.h"
#include "app/Version.h"
#include "platform/Trace.h"

namespace korvane {
namespace {

constexpr char kStatusStopped[] = "待ち受け停止中";
constexpr char kStatusListening[] = "待ち受け中";
constexpr char kPortInvalid[] = "ポート番号が不正です。";
constexpr char kStopFirst[] = "待ち受けを停止してください。";
constexpr char kConfirmExit[] = "プログラムを終了しますか？";

const QColor kSilver(0xC0, 0xC0, 0xC0);
const QColor kLime(0x00, 0xFF, 0x00);

constexpr int kFontHeight = 14;
constexpr int kLogRowHeight = 21;
constexpr int kTopBandHeight = 153;
constexpr int kStatusHeight = 22;
constexpr int kMessageBandHeight = 47;
constexpr int kButtonBarHeight = 58;

QString uiText(const char* utf8) {
    return QString::fromUtf8(utf8);
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
      mUpdates([this](const std::vector<std::string>& lines) { showLines(lines); },
               [this] { showListening(false); }) {
    mHandler =
        std::make_unique<RequestHandler>(desktop, *this, *this, mDialogs, std::move(captureFile));
    mServer = std::make_unique<RequestServer>(
        [this](const ServerEvent& event) { mHandler->onServerEvent(event); });
    mHandler->attach(*mServer);

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
    int saved = addressBox->findText(QString::fromStdString(mSelectedAddress),
                                     Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (saved >= 0) {
        addressBox->setCurrentIndex(saved);
    }
}

MainWindow::~MainWindow() {
    // The server goes first: its threads report into the handler and this window until they end.
    mServer.reset();
    saveSettings();
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

    aboutBox = new QGroupBox(uiText("アプリケーション情報"), topBand);
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

    settingsBox = new QGroupBox(uiText("設定"), topBand);
    settingsBox->setFixedWidth(336);
    addressLabel = new QLabel(uiText("IPアドレス:"), settingsBox);
    addressLabel->setGeometry(16, 28, 90, 24);
    addressBox = new QComboBox(settingsBox);
    addressBox->setEditable(false);
    addressBox->setGeometry(110, 26, 159, 26);
    portLabel = new QLabel(uiText("ポート番号:"), settingsBox);
    portLabel->setGeometry(16, 60, 90, 24);
    portEdit = new QLineEdit(uiText("65001"), settingsBox);
    portEdit->setGeometry(110, 58, 70, 26);
    autoStartCheck = new QCheckBox(uiText("起動時に自動待ち受け開始"), settingsBox);
    autoStartCheck->setGeometry(16, 90, 310, 24);
    minimizeCheck = new QCheckBox(uiText("待ち受け開始時に最小化"), settingsBox);
    minimizeCheck->setGeometry(16, 116, 310, 24);
    top->addWidget(settingsBox);

    qrGroup = new QGroupBox(uiText("Setting QR"), topBand);
    qrGroup->setFixedWidth(116);
    qrBox = new QrPaintBox(mQrBitmap, qrGroup);
    qrBox->setGeometry(20, 29, 76, 75);
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
    logList = new QListView(logBand);
    logList->setModel(&mLogModel);
    // Lines stay on one row and are cut at the edge; the detail box shows a whole line.
    logList->setUniformItemSizes(true);
    // Lines come at most once a frame (UiUpdateQueue), and the list lays out all rows after every
    // insertion: in one pass that costs less than in batches of 100 rows spread over timer events,
    // which a steady stream restarts before they end (bench_log, BM_FrameWithView).
    logList->setLayoutMode(QListView::SinglePass);
    logList->setWordWrap(false);
    logList->setTextElideMode(Qt::ElideNone);
    logList->setItemDelegate(new FixedRowHeightDelegate(kLogRowHeight, logList));
    logList->setSelectionMode(QAbstractItemView::SingleSelection);
    logList->setEditTriggers(QAbstractItemView::NoEditTriggers);
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
    closeButton = new QPushButton(uiText("終了"), buttonBar);
    closeButton->setFixedSize(131, 52);
    buttons->addWidget(listenButton);
    buttons->addStretch(1);
    buttons->addWidget(closeButton);
    root->addWidget(buttonBar);

    autoStartTimer = new QTimer(this);
    autoStartTimer->setInterval(100);

    connect(listenButton, &QPushButton::clicked, this, &MainWindow::toggleListening);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
    connect(logList, &QListView::clicked, this, &MainWindow::showSelectedLine);
    connect(autoStartTimer, &QTimer::timeout, this, &MainWindow::startAutomatically);
}

void MainWindow::fillAbout() {
    const char* lines[] = {
        "本プログラムを使った結果の損害などについて、開発者は、一切の責任を負わないものとします。",
        "",
        "このプログラムは、Androidアプリケーション[KORVANE]のサーバーサイドプログラムです。 "
        "[KORVANE]は、無線LANでPCに接続できるバーコードリーダーアプリケーションです。",
        "https://korvane.example.jp/",
        "",
        "通信には[Mirovel]を利用しています。",
        "https://mirovel.example.jp/",
        "",
        "このプログラムは、QRコードの描画に[ZXing]を利用しています。[ZXing]のライセンスは、Apache "
        "License Version2.0 (https://www.apache.org/licenses/LICENSE-2.0)です。",
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
    // Moving a window places its frame; its size is set as the inner size until the frame is
    // known (event()).
    move(settings.left, settings.top);
    mWantedOuterSize = QSize(settings.width, settings.height);
    resize(mWantedOuterSize);
}

void MainWindow::saveSettings() {
    AppSettings settings;
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
            mDialogs.showError(error);
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
    std::vector<std::string> addresses;
    bool found = mAddressSource(addresses);
    for (const std::string& address : addresses) {
        combo.addItem(QString::fromStdString(address));
    }
    return found;
}

void MainWindow::toggleListening() {
    if (mListening) {
        mServer->stop();
        return;
    }
    if (addressBox->currentIndex() < 0) {
        mDialogs.showError(kPortInvalid);
        return;
    }
    mSelectedAddress = addressBox->currentText().toStdString();
    std::string portText = portEdit->text().toStdString();
    std::optional<std::int32_t> port = parseIntegerText(portText);
    if (!port) {
        mDialogs.showError(std::string(kPortInvalid) + "\r" + notAnIntegerMessage(portText));
        return;
    }
    if (auto failure = mServer->start(mSelectedAddress, *port)) {
        mDialogs.showError(*failure);
        return;
    }
    showListening(true);
    if (minimizeCheck->isChecked()) {
        showMinimized();
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
}

void MainWindow::showLines(const std::vector<std::string>& oldestFirst) {
    mLogModel.addNewest(oldestFirst);
    // The newest line becomes the selection; only a click shows a line in the detail box.
    logList->selectionModel()->setCurrentIndex(mLogModel.index(0),
                                               QItemSelectionModel::ClearAndSelect);
}

void MainWindow::showSelectedLine() {
    QModelIndexList selected = logList->selectionModel()->selectedIndexes();
    if (selected.isEmpty()) {
        return;
    }
    detailText->setPlainText(selected.first().data().toString());
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
        mDialogs.showWarning(kStopFirst);
        event->ignore();
        return;
    }
    if (!mDialogs.confirm(kConfirmExit)) {
        event->ignore();
        return;
    }
    event->accept();
    emit closed();
}

}  // namespace korvane
