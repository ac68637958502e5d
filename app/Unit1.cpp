#include "app/Unit1.h"

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

QString Text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// Memo and detail box share the tooltip background of the desktop's palette.
void UseTooltipBackground(QPlainTextEdit* edit) {
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::ToolTipBase));
    palette.setColor(QPalette::Text, palette.color(QPalette::ToolTipText));
    edit->setPalette(palette);
}

}  // namespace

TForm1::TForm1(Desktop& pDesktop, IAppDialogs& pDialogs, std::filesystem::path pSettingsFile,
               std::string pCaptureFile, AddressSource pAddresses)
    : mDialogs(pDialogs),
      mSettingsFile(std::move(pSettingsFile)),
      mAddressSource(std::move(pAddresses)),
      mUpdates([this](const std::vector<std::string>& lines) { ShowLines(lines); },
               [this](const std::string& caption) { ApplyStoppedState(caption); }) {
    mHandler = std::make_unique<TRequestHandler>(pDesktop, *this, *this, mDialogs,
                                                 std::move(pCaptureFile));
    mServer = std::make_unique<TSSServer>(
        [this](TSSChild* pHandle, std::uint8_t pKind, std::int32_t pSerial, std::string pIp,
               std::string pKey, std::string pData, std::string pError) {
            mHandler->ServerEventProc(pHandle, pKind, pSerial, pIp, pKey, pData, pError);
        });
    mHandler->SetServer(mServer.get());

    CreateControls();
    setWindowTitle(QString::fromStdString(VersionTitle()));
    txtMessage->clear();
    SetStatus(kStatusStopped, kSilver);
    FillMemo();
    ApplySettings();
    cmbIpAddress->clear();
    COM_GetLocalIP(*cmbIpAddress);
    if (cmbIpAddress->count() > 0) {
        cmbIpAddress->setCurrentIndex(0);
    }
    int saved = cmbIpAddress->findText(QString::fromStdString(mSelectedAddress),
                                       Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (saved >= 0) {
        cmbIpAddress->setCurrentIndex(saved);
    }
}

TForm1::~TForm1() {
    // The server goes first: its threads report into the handler and this window until they end.
    mServer.reset();
    SaveSettings();
}

void TForm1::CreateControls() {
    setFont(JapaneseFont(kFontHeight));
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);

    auto* topBand = new QWidget(this);
    topBand->setFixedHeight(kTopBandHeight);
    auto* top = new QHBoxLayout(topBand);
    top->setContentsMargins(4, 2, 4, 2);
    root->addWidget(topBand);

    GroupBox1 = new QGroupBox(Text("アプリケーション情報"), topBand);
    auto* info = new QHBoxLayout(GroupBox1);
    auto* logoPanel = new QWidget(GroupBox1);
    logoPanel->setFixedWidth(93);
    logoPanel->setAutoFillBackground(true);
    QPalette white = logoPanel->palette();
    white.setColor(QPalette::Window, Qt::white);
    logoPanel->setPalette(white);
    Image1 = new QLabel(logoPanel);
    Image1->setGeometry(2, 2, 89, 89);
    Image1->setAlignment(Qt::AlignCenter);
    Image1->setPixmap(QPixmap::fromImage(DrawLogo(93)));
    Memo1 = new QPlainTextEdit(GroupBox1);
    Memo1->setReadOnly(true);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    UseTooltipBackground(Memo1);
    info->addWidget(logoPanel);
    info->addWidget(Memo1, 1);
    top->addWidget(GroupBox1, 1);

    grpSetting = new QGroupBox(Text("設定"), topBand);
    grpSetting->setFixedWidth(336);
    Label2 = new QLabel(Text("IPアドレス:"), grpSetting);
    Label2->setGeometry(16, 28, 90, 24);
    cmbIpAddress = new QComboBox(grpSetting);
    cmbIpAddress->setEditable(false);
    cmbIpAddress->setGeometry(110, 26, 159, 26);
    Label1 = new QLabel(Text("ポート番号:"), grpSetting);
    Label1->setGeometry(16, 60, 90, 24);
    txtPort = new QLineEdit(Text("65001"), grpSetting);
    txtPort->setGeometry(110, 58, 70, 26);
    chkAutoStart = new QCheckBox(Text("起動時に自動待ち受け開始"), grpSetting);
    chkAutoStart->setGeometry(16, 90, 310, 24);
    chkMinimize = new QCheckBox(Text("待ち受け開始時に最小化"), grpSetting);
    chkMinimize->setGeometry(16, 116, 310, 24);
    top->addWidget(grpSetting);

    GroupBox2 = new QGroupBox(Text("Setting QR"), topBand);
    GroupBox2->setFixedWidth(116);
    pbQR = new TQRPaintBox(mbmQR, GroupBox2);
    pbQR->setGeometry(20, 29, 76, 75);
    top->addWidget(GroupBox2);

    auto* logBand = new QWidget(this);
    auto* logLayout = new QVBoxLayout(logBand);
    logLayout->setContentsMargins(0, 0, 0, 0);
    logLayout->setSpacing(0);
    pnlConnect = new QLabel(logBand);
    pnlConnect->setFixedHeight(kStatusHeight);
    pnlConnect->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    pnlConnect->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    pnlConnect->setAutoFillBackground(true);
    lstLog = new QListView(logBand);
    lstLog->setModel(&mLogModel);
    // Lines stay on one row and are cut at the edge; the detail box shows a whole line.
    lstLog->setUniformItemSizes(true);
    // Laid out all at once, every line added to a long log would cost a pass over all rows.
    lstLog->setLayoutMode(QListView::Batched);
    lstLog->setWordWrap(false);
    lstLog->setTextElideMode(Qt::ElideNone);
    lstLog->setItemDelegate(new TFixedRowHeightDelegate(kLogRowHeight, lstLog));
    lstLog->setSelectionMode(QAbstractItemView::SingleSelection);
    lstLog->setEditTriggers(QAbstractItemView::NoEditTriggers);
    logLayout->addWidget(pnlConnect);
    logLayout->addWidget(lstLog, 1);

    txtMessage = new QPlainTextEdit(this);
    UseTooltipBackground(txtMessage);

    Splitter1 = new QSplitter(Qt::Vertical, this);
    Splitter1->setHandleWidth(1);
    Splitter1->setChildrenCollapsible(false);
    Splitter1->addWidget(logBand);
    Splitter1->addWidget(txtMessage);
    Splitter1->setStretchFactor(0, 1);
    Splitter1->setStretchFactor(1, 0);
    Splitter1->setSizes({1000, kMessageBandHeight});
    root->addWidget(Splitter1, 1);

    auto* buttonBar = new QWidget(this);
    buttonBar->setFixedHeight(kButtonBarHeight);
    auto* buttons = new QHBoxLayout(buttonBar);
    buttons->setContentsMargins(4, 3, 4, 3);
    cmdListen = new QPushButton(Text(kCaptionStart), buttonBar);
    cmdListen->setFixedSize(134, 52);
    cmdClose = new QPushButton(Text("終了"), buttonBar);
    cmdClose->setFixedSize(131, 52);
    buttons->addWidget(cmdListen);
    buttons->addStretch(1);
    buttons->addWidget(cmdClose);
    root->addWidget(buttonBar);

    tmrStart = new QTimer(this);
    tmrStart->setInterval(100);

    connect(cmdListen, &QPushButton::clicked, this, &TForm1::cmdListenClick);
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);
    connect(lstLog, &QListView::clicked, this, &TForm1::lstLogClick);
    connect(tmrStart, &QTimer::timeout, this, &TForm1::tmrStartTimer);
}

void TForm1::FillMemo() {
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
        Memo1->appendPlainText(Text(line));
    }
    // Appending scrolls to the end; the reader starts at the disclaimer.
    Memo1->moveCursor(QTextCursor::Start);
}

void TForm1::ApplySettings() {
    TAppSettings settings = ReadSettings(mSettingsFile);
    mSelectedAddress = settings.IpAddress;
    txtPort->setText(QString::fromStdString(settings.PortNo));
    chkAutoStart->setChecked(settings.AutoStart);
    chkMinimize->setChecked(settings.Minimize);
    // Moving a window places its frame; its size is set as the inner size until the frame is
    // known (event()).
    move(settings.Left, settings.Top);
    mWantedOuterSize = QSize(settings.Width, settings.Height);
    resize(mWantedOuterSize);
}

void TForm1::SaveSettings() {
    TAppSettings settings;
    settings.IpAddress = mSelectedAddress;
    settings.PortNo = txtPort->text().toStdString();
    settings.AutoStart = chkAutoStart->isChecked();
    settings.Minimize = chkMinimize->isChecked();
    // A minimised X11 window keeps its normal geometry, so this is where it will be restored.
    QRect frame = frameGeometry();
    settings.Top = frame.top();
    settings.Left = frame.left();
    settings.Height = frame.height();
    settings.Width = frame.width();
    std::string error;
    if (!WriteSettings(mSettingsFile, settings, error)) {
        traceOutput(error);
        if (!mSessionEnding) {
            mDialogs.ShowError(error);
        }
    }
}

bool TForm1::event(QEvent* event) {
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

bool TForm1::COM_GetLocalIP(QComboBox& pobjCombo) {
    std::vector<std::string> addresses;
    bool found = mAddressSource(addresses);
    for (const std::string& address : addresses) {
        pobjCombo.addItem(QString::fromStdString(address));
    }
    return found;
}

void TForm1::cmdListenClick() {
    if (cmdListen->text() != Text(kCaptionStart)) {
        mServer->Stop();
        return;
    }
    if (cmbIpAddress->currentIndex() < 0) {
        mDialogs.ShowError(kPortInvalid);
        return;
    }
    mSelectedAddress = cmbIpAddress->currentText().toStdString();
    std::string portText = txtPort->text().toStdString();
    std::optional<std::int32_t> port = ParseIntegerText(portText);
    if (!port) {
        mDialogs.ShowError(std::string(kPortInvalid) + "\r" + NotAnIntegerMessage(portText));
        return;
    }
    std::string error;
    if (!mServer->Start(mSelectedAddress, *port, error)) {
        mDialogs.ShowError(error);
        return;
    }
    cmdListen->setText(Text(kCaptionStop));
    txtPort->setEnabled(false);
    chkAutoStart->setEnabled(false);
    chkMinimize->setEnabled(false);
    cmdClose->setEnabled(false);
    SetStatus(kStatusListening, kLime);
    mdlSetQR(true);
    cmbIpAddress->setEnabled(false);
    if (chkMinimize->isChecked()) {
        showMinimized();
    }
}

void TForm1::InsertLogLine(const std::string& pLine) {
    mUpdates.PostLine(pLine);
}

void TForm1::SetStoppedState(const std::string& pCaption) {
    std::lock_guard guard(mHandler->LogLock);
    try {
        mUpdates.PostStopped(pCaption);
    } catch (...) {
        // A state change that cannot be passed on is lost; the caller is a server thread.
    }
}

void TForm1::ApplyStoppedState(const std::string& pCaption) {
    cmdListen->setText(QString::fromStdString(pCaption));
    txtPort->setEnabled(true);
    cmbIpAddress->setEnabled(true);
    chkAutoStart->setEnabled(true);
    chkMinimize->setEnabled(true);
    cmdClose->setEnabled(true);
    SetStatus(kStatusStopped, kSilver);
    mdlSetQR(false);
}

void TForm1::ShowLines(const std::vector<std::string>& pOldestFirst) {
    mLogModel.AddNewest(pOldestFirst);
    // The newest line becomes the selection; only a click shows a line in the detail box.
    lstLog->selectionModel()->setCurrentIndex(mLogModel.index(0),
                                              QItemSelectionModel::ClearAndSelect);
}

void TForm1::lstLogClick() {
    QModelIndexList selected = lstLog->selectionModel()->selectedIndexes();
    if (selected.isEmpty()) {
        return;
    }
    txtMessage->setPlainText(selected.first().data().toString());
}

void TForm1::SetStatus(const char* pText, QColor pColour) {
    pnlConnect->setText(Text(pText));
    QPalette palette = pnlConnect->palette();
    palette.setColor(QPalette::Window, pColour);
    pnlConnect->setPalette(palette);
}

void TForm1::mdlSetQR(bool pbooSwitch) {
    mbmQR = pbooSwitch ? BuildQrBitmap(QrPayload(mSelectedAddress, txtPort->text().toStdString()))
                       : QImage();
    pbQR->repaint();
}

void TForm1::tmrStartTimer() {
    tmrStart->stop();
    if (chkAutoStart->isChecked()) {
        cmdListenClick();
    }
}

void TForm1::EndSession() {
    mSessionEnding = true;
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (mSessionEnding) {
        event->accept();
        return;
    }
    if (cmdListen->text() == Text(kCaptionStop)) {
        mDialogs.ShowWarning(kStopFirst);
        event->ignore();
        return;
    }
    if (!mDialogs.Confirm(kConfirmExit)) {
        event->ignore();
        return;
    }
    event->accept();
    emit Closed();
}

}  // namespace korvane
