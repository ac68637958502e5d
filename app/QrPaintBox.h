#pragma once

#include <QImage>
#include <QWidget>

namespace korvane {

// The box that shows the window's QR bitmap; the bitmap belongs to the window. A click on it is
// reported, so that the code can be shown large.
class QrPaintBox : public QWidget {
    Q_OBJECT
  public:
    QrPaintBox(const QImage& bitmap, QWidget* parent);

  signals:
    void clicked();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    const QImage& mBitmap;
};

}  // namespace korvane
