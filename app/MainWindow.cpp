#include "app/MainWindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "app/ApprovalWindow.h"
#include "app/DevicesDialog.h"
#include "app/QrCode.h"
#include "app/QrPaintBox.h"
#include "core/Version.h"
#include "platform/Trace.h"
#include "platform/VisibleText.h"

namespace korvane {
namespace {

constexpr char kContext[] = "korvane::MainWindow";
constexpr char kStatusStopped[] = QT_TRANSLATE_NOOP("korvane::MainWindow", "待ち受け停止中");
constexpr char kStatusListening[] = QT_TRANSLATE_NOOP("korvane::MainWindow", "待ち受け中");
// Listening is suspended until its address comes back to this PC.
constexpr char kStatusAwaitingAddress[] =
    QT_TRANSLATE_NOOP("korvane::MainWindow", "IPアドレスの復帰待ち");
constexpr char kPortInvalid[] = QT_TRANSLATE_NOOP("korvane::MainWindow", "ポート番号が不正です。");
constexpr char kStopFirst[] =
    QT_TRANSLATE_NOOP("korvane::MainWindow", "待ち受けを停止してください。");
constexpr char kConfirmExit[] =
    QT_TRANSLATE_NOOP("korvane::MainWindow", "プログラムを終了しますか？");

const QColor kSilver(0xC0, 0xC0, 0xC0);
const QColor kLime(0x00, 0xFF, 0x00);
const QColor kYellow(0xFF, 0xFF, 0x00);

// A text of this window in the language of the program's translation.
QString uiText(const char* utf8) {
    return QCoreApplication::translate(kContext, utf8);
}

std::string uiString(const char* utf8) {
    return uiText(utf8).toStdString();
}

}  // namespace

MainWindow::MainWindow(Desktop& desktop, AppDialogs& dialogs, std::filesystem::path settingsFile,
                       std::string captureFile, AddressSource addresses)
    : mDialogs(dialogs),
      mAddressSource(std::move(addresses)),
      mUpdates(
          mUiThread, [this](LogLines lines) { showLines(std::move(lines)); },
          [this] {
              mCore->listenerEnded();
              showListening(false);
          }) {
    mCore = std::make_unique<AppCore>(CorePorts{desktop, *this, *this, mDialogs, *this, mUiThread},
                                      std::move(settingsFile), std::move(captureFile));
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
    selectSavedAddress();
    if (auto failure = mCore->watchAddresses(*this, mAddressSource)) {
        traceOutput("watchAddresses: " + *failure);
    }
}

MainWindow::~MainWindow() {
    // The server goes first: its threads report into the handler and this window until they end.
    mCore->shutDown();
    saveSettings();
}

void MainWindow::selectSavedAddress() {
    const QString savedAddress = QString::fromStdString(mCore->selectedAddress());
    int saved = addressBox->findData(savedAddress);
    if (saved >= 0) {
        addressBox->setCurrentIndex(saved);
    } else if (!savedAddress.isEmpty()) {
        // The PC may have moved to another network since: the phone's QR code would point
        // nowhere, so say so before anyone starts listening.
        mCore->handler().addLog(
            "Setting",
            tr("前回のIPアドレス %1 はこのPCにありません。IPアドレスを選び直してください。")
                .arg(savedAddress)
                .toStdString());
    }
}

void MainWindow::ask(const std::string&, const std::string&) {
    mUiThread.post([this] { showWaitingPhones(); });
}

void MainWindow::showWaitingPhones() {
    if (mApprovalWindow == nullptr) {
        ApprovalWindow* list = new ApprovalWindow(mCore->approvalDesk(), this);
        mApprovalWindow = list;
        connect(list->codeButton, &QPushButton::clicked, list, [this, list] {
            // A phone approved by the code leaves the list.
            connect(showApprovalCode(list), &ApprovalCodeWindow::used, list,
                    &ApprovalWindow::refresh);
        });
    }
    mApprovalWindow->showPhones();
}

void MainWindow::showDevices() {
    DevicesDialog dialog(mCore->approvalDesk(), this);
    connect(dialog.codeButton, &QPushButton::clicked, &dialog, [this, &dialog] {
        connect(showApprovalCode(&dialog), &ApprovalCodeWindow::used, &dialog,
                &DevicesDialog::fill);
    });
    dialog.exec();
}

ApprovalCodeWindow* MainWindow::showApprovalCode(QWidget* owner) {
    auto* window = new ApprovalCodeWindow(mCore->approvalCode(), owner);
    window->show();
    return window;
}

void MainWindow::applySettings() {
    const AppSettings& settings = mCore->settings();
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
    settings.ipAddress = mCore->selectedAddress();
    // The port as read keeps its bytes until it is edited: text that is not UTF-8 (CP932 from a
    // Japanese input method, typed into the file) shows as U+FFFD and would come back as that.
    const std::string& readPort = mCore->settings().portNo;
    settings.portNo = portEdit->text() == QString::fromStdString(readPort)
                          ? readPort
                          : portEdit->text().toStdString();
    settings.autoStart = autoStartCheck->isChecked();
    settings.minimize = minimizeCheck->isChecked();
    // A minimised X11 window keeps its normal geometry, so this is where it will be restored.
    QRect frame = frameGeometry();
    settings.top = frame.top();
    settings.left = frame.left();
    settings.height = frame.height();
    settings.width = frame.width();
    if (auto failure = mCore->saveSettings(settings)) {
        traceOutput(*failure);
        if (!mCore->sessionEnding()) {
            // writeSettings's text, through the translation.
            mDialogs.showError(tr("%1 に書き込めません")
                                   .arg(QString::fromStdString(mCore->settingsFile().string()))
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
    addAddresses(combo, addresses);
    return found;
}

void MainWindow::addAddresses(QComboBox& combo, const std::vector<LocalAddress>& addresses) {
    for (const LocalAddress& entry : addresses) {
        const QString address = QString::fromStdString(entry.address);
        combo.addItem(entry.interfaceName.empty()
                          ? address
                          : address + " (" + QString::fromStdString(entry.interfaceName) + ")",
                      address);
    }
}

void MainWindow::addressesChanged(const std::vector<LocalAddress>& addresses) {
    const QString chosen = mCore->isListening() ? QString::fromStdString(mCore->selectedAddress())
                                                : addressBox->currentData().toString();
    addressBox->clear();
    addAddresses(*addressBox, addresses);
    const int kept = addressBox->findData(chosen);
    addressBox->setCurrentIndex(kept >= 0 ? kept : (addressBox->count() > 0 ? 0 : -1));
}

void MainWindow::listeningSuspended(const std::string&) {
    setStatus(kStatusAwaitingAddress, kYellow);
    showQr(false);
    if (largeQrWindow != nullptr) {
        largeQrWindow->close();
    }
}

void MainWindow::listeningResumed(const std::string& address) {
    const int index = addressBox->findData(QString::fromStdString(address));
    if (index >= 0) {
        addressBox->setCurrentIndex(index);
    }
    showListening(true);
}

void MainWindow::toggleListening() {
    if (mCore->isListening()) {
        mCore->stop();
        return;
    }
    const std::string address =
        addressBox->currentIndex() < 0 ? "" : addressBox->currentData().toString().toStdString();
    if (auto refusal = mCore->start(address, portEdit->text().toStdString())) {
        showStartRefusal(*refusal);
        return;
    }
    showListening(true);
    minimiseOnStart();
}

void MainWindow::showStartRefusal(const StartRefusal& refusal) {
    switch (refusal.reason) {
        case StartRefusal::Reason::NoAddress:
            mDialogs.showError(uiString(kPortInvalid));
            return;
        case StartRefusal::Reason::PortNotInteger:
            // notAnIntegerMessage's text, through the translation.
            mDialogs.showError(uiString(kPortInvalid) + "\r" +
                               tr("''%1'' は整数ではありません")
                                   .arg(QString::fromStdString(refusal.detail))
                                   .toStdString());
            return;
        case StartRefusal::Reason::ServerRefused:
            mDialogs.showError(refusal.detail);
            return;
    }
}

void MainWindow::minimiseOnStart() {
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
    // Whole, on as many lines as it has, but with no control of a peer's bytes in effect.
    const QString line = selected.first().data(LogListModel::kWholeLineRole).toString();
    detailText->setPlainText(
        QString::fromStdString(visibleText(line.toStdString(), LineBreaks::Keep)));
}

void MainWindow::setStatus(const char* text, QColor colour) {
    statusLabel->setText(uiText(text));
    QPalette palette = statusLabel->palette();
    palette.setColor(QPalette::Window, colour);
    statusLabel->setPalette(palette);
}

void MainWindow::showQr(bool shown) {
    mQrBitmap =
        shown ? buildQrBitmap(qrPayload(mCore->selectedAddress(), portEdit->text().toStdString()))
              : QImage();
    qrBox->repaint();
}

void MainWindow::announceDesktop(const DesktopChoice& choice) {
    mCore->announceDesktop(choice);
    if (!choice.notice.empty()) {
        detailText->setPlainText(QString::fromStdString(choice.notice));
    }
}

void MainWindow::armAutomaticStart() {
    mCore->armAutomaticStart([this] { return autoStartCheck->isChecked(); },
                             [this] { toggleListening(); });
}

void MainWindow::endSession() {
    mCore->endSession();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    switch (mCore->requestClose()) {
        case CloseAnswer::Accept:
            event->accept();
            return;
        case CloseAnswer::StillListening:
            mDialogs.showWarning(uiString(kStopFirst));
            event->ignore();
            return;
        case CloseAnswer::AskToConfirm:
            if (!mDialogs.confirm(uiString(kConfirmExit))) {
                event->ignore();
                return;
            }
            event->accept();
            emit closed();
            return;
    }
}

void MainWindow::showFromTray() {
    showNormal();
    raise();
    activateWindow();
}

}  // namespace korvane
