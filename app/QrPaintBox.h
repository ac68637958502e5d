#pragma once

#include <QImage>
#include <QWidget>

namespace korvane {

// The box that shows the window's QR bitmap; the bitmap belongs to the window.
class QrPaintBox : public QWidget {
    Q_OBJECT
  public:
    QrPaintBox(const QImage& bitmap, QWidget* parent);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    const QImage& mBitmap;
};

}  // namespace korvane
