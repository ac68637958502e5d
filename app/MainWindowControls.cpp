// The main window's controls: their places, sizes and texts, and what each one starts.
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTextCursor>
#include <QTimer>
#include <QVBoxLayout>

#include "app/Fonts.h"
#include "app/Logos.h"
#include "app/MainWindow.h"
#include "app/QrPaintBox.h"

namespace korvane {
namespace {

constexpr int kFontHeight = 14;
constexpr int kLogRowHeight = 21;
constexpr int kTopBandHeight = 153;
constexpr int kStatusHeight = 22;
constexpr int kMessageBandHeight = 47;
constexpr int kButtonBarHeight = 58;

// Memo and detail box share the tooltip background of the desktop's palette.
void useTooltipBackground(QPlainTextEdit* edit) {
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::ToolTipBase));
    palette.setColor(QPalette::Text, palette.color(QPalette::ToolTipText));
    edit->setPalette(palette);
}

}  // namespace

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
    createAboutBox(topBand, top);
    createSettingsBox(topBand, top);
    qrGroup = new QGroupBox(tr("Setting QR"), topBand);
    qrGroup->setFixedWidth(116);
    qrBox = new QrPaintBox(mQrBitmap, qrGroup);
    qrBox->setGeometry(20, 29, 76, 75);
    qrBox->setCursor(Qt::PointingHandCursor);
    qrBox->setToolTip(tr("クリックすると大きく表示します"));
    top->addWidget(qrGroup);

    createLogBand(root);
    createButtonBar(root);
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

void MainWindow::createAboutBox(QWidget* band, QHBoxLayout* top) {
    aboutBox = new QGroupBox(tr("アプリケーション情報"), band);
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
}

void MainWindow::createSettingsBox(QWidget* band, QHBoxLayout* top) {
    settingsBox = new QGroupBox(tr("設定"), band);
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
}

void MainWindow::createLogBand(QVBoxLayout* root) {
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
}

void MainWindow::createButtonBar(QVBoxLayout* root) {
    auto* buttonBar = new QWidget(this);
    buttonBar->setFixedHeight(kButtonBarHeight);
    auto* buttons = new QHBoxLayout(buttonBar);
    buttons->setContentsMargins(4, 3, 4, 3);
    listenButton = new QPushButton(tr(kListenCaption), buttonBar);
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
        aboutText->appendPlainText(tr(line));
    }
    // Appending scrolls to the end; the reader starts at the disclaimer.
    aboutText->moveCursor(QTextCursor::Start);
}

}  // namespace korvane
