#pragma once

#include <QImage>
#include <QWidget>

namespace korvane {

// The box that shows the window's QR bitmap; the bitmap belongs to the window.
class TQRPaintBox : public QWidget {
    Q_OBJECT
  public:
    TQRPaintBox(const QImage& pBitmap, QWidget* pParent);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    const QImage& mBitmap;
};

}  // namespace korvane
