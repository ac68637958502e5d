#include "app/QrLargeWindow.h"

#include <QLabel>
#include <QVBoxLayout>

#include "app/QrPaintBox.h"

namespace korvane {

namespace {
constexpr int kSide = 480;
}  // namespace

QrLargeWindow::QrLargeWindow(const QImage& bitmap, const QString& caption, QWidget* parent)
    : QDialog(parent), mBitmap(bitmap) {
    setWindowTitle(tr("接続用QRコード"));
    auto* layout = new QVBoxLayout(this);
    qrBox = new QrPaintBox(mBitmap, this);
    qrBox->setMinimumSize(kSide, kSide);
    captionLabel = new QLabel(caption, this);
    captionLabel->setAlignment(Qt::AlignCenter);
    QFont large = captionLabel->font();
    large.setPixelSize(24);
    captionLabel->setFont(large);
    layout->addWidget(qrBox, 1);
    layout->addWidget(captionLabel);
    connect(qrBox, &QrPaintBox::clicked, this, &QDialog::accept);
}

}  // namespace korvane
