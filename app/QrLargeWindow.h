#pragma once

#include <QDialog>
#include <QImage>

class QLabel;

namespace korvane {

class QrPaintBox;

// The connection QR code shown large in a window of its own, for a phone held at arm's length
// from a large screen; the address and port below it in words.
class QrLargeWindow : public QDialog {
    Q_OBJECT
  public:
    QrLargeWindow(const QImage& bitmap, const QString& caption, QWidget* parent);

    QrPaintBox* qrBox;
    QLabel* captionLabel;

  private:
    QImage mBitmap;
};

}  // namespace korvane
