#include "app/ApprovalCodeWindow.h"

#include <QFontDatabase>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <chrono>

#include "app/Fonts.h"
#include "app/QrCode.h"
#include "core/Code128.h"
#include "handling/ApprovalCode.h"

namespace korvane {
namespace {

constexpr int kFontHeight = 14;
constexpr int kCodeFontHeight = 32;
// Screen pixels per module: large enough for a phone held at arm's length from the screen.
constexpr int kQrModulePixels = 8;
constexpr int kBarModulePixels = 3;
constexpr int kBarHeight = 90;
constexpr std::chrono::milliseconds kRefreshEvery{250};

// Code 128 bars, kBarModulePixels a module, black on white; a null image for no bars.
QImage barcodeImage(const std::string& text) {
    const std::optional<std::vector<bool>> modules = encodeCode128(text);
    if (!modules) {
        return {};
    }
    QImage image(static_cast<int>(modules->size()) * kBarModulePixels, kBarHeight,
                 QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    for (std::size_t i = 0; i < modules->size(); ++i) {
        if ((*modules)[i]) {
            painter.fillRect(static_cast<int>(i) * kBarModulePixels, 0, kBarModulePixels,
                             kBarHeight, Qt::black);
        }
    }
    return image;
}

QPixmap qrPixmap(const std::string& text) {
    const QImage bitmap = buildQrBitmap(text);
    return QPixmap::fromImage(bitmap.scaled(bitmap.size() * kQrModulePixels, Qt::IgnoreAspectRatio,
                                            Qt::FastTransformation));
}

}  // namespace

ApprovalCodeWindow::ApprovalCodeWindow(ApprovalCode& code, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus),
      mCode(code),
      mTimer(new QTimer(this)) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_DeleteOnClose);
    setFocusPolicy(Qt::NoFocus);
    setFont(japaneseFont(kFontHeight));
    setWindowTitle(tr("承認コード"));

    auto* root = new QVBoxLayout(this);
    auto* how = new QLabel(tr("承認する端末で、QRコードかバーコードを読み取ってください。読み取った"
                              "端末は承認されます。"),
                           this);
    how->setWordWrap(true);
    root->addWidget(how);
    qrLabel = new QLabel(this);
    barcodeLabel = new QLabel(this);
    textLabel = new QLabel(this);
    timeLabel = new QLabel(this);
    for (QLabel* label : {qrLabel, barcodeLabel, textLabel, timeLabel}) {
        label->setAlignment(Qt::AlignCenter);
        root->addWidget(label);
    }
    QFont large = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    large.setPixelSize(kCodeFontHeight);
    textLabel->setFont(large);
    textLabel->setTextFormat(Qt::PlainText);
    textLabel->setTextInteractionFlags(Qt::NoTextInteraction);
    closeButton = new QPushButton(tr("閉じる"), this);
    closeButton->setFocusPolicy(Qt::NoFocus);
    closeButton->setAutoDefault(false);
    root->addWidget(closeButton, 0, Qt::AlignRight);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);

    showCode();
    connect(mTimer, &QTimer::timeout, this, &ApprovalCodeWindow::refresh);
    mTimer->start(kRefreshEvery);
}

ApprovalCodeWindow::~ApprovalCodeWindow() {
    // A code nobody can see any more approves nobody.
    if (!mCodeText.empty()) {
        mCode.withdraw(mCodeText);
    }
}

void ApprovalCodeWindow::showCode() {
    const std::optional<std::string> issued = mCode.issue();
    if (!issued) {
        textLabel->setText(tr("承認コードを作成できませんでした。"));
        mTimer->stop();
        return;
    }
    mCodeText = *issued;
    qrLabel->setPixmap(qrPixmap(mCodeText));
    barcodeLabel->setPixmap(QPixmap::fromImage(barcodeImage(mCodeText)));
    textLabel->setText(QString::fromStdString(mCodeText));
    refresh();
}

void ApprovalCodeWindow::refresh() {
    if (mCodeText.empty()) {
        return;
    }
    const ApprovalCode::Status status = mCode.status(mCodeText);
    if (status.state == ApprovalCode::State::Valid) {
        const auto seconds = std::chrono::ceil<std::chrono::seconds>(status.left).count();
        timeLabel->setText(tr("有効期限まで残り %1 秒").arg(seconds));
        return;
    }
    mTimer->stop();
    if (status.state == ApprovalCode::State::Used) {
        emit used();
    }
    close();
}

}  // namespace korvane
