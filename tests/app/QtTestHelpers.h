#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <string>

// The text as UTF-8, as the phone reads it.
#define ZX_USE_UTF8 1
#include <ZXing/ReadBarcode.h>

namespace korvane::test {

// Runs the event loop until `done` holds; false when `timeoutMs` passed first.
template <typename Predicate>
bool waitUntil(Predicate done, int timeoutMs = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// The text of the QR code in the picture, read as a phone would; empty when there is none.
inline std::string decodeQr(const QImage& picture) {
    QImage grey = picture.convertToFormat(QImage::Format_Grayscale8);
    auto result =
        ZXing::ReadBarcode({grey.constBits(), grey.width(), grey.height(), ZXing::ImageFormat::Lum,
                            static_cast<int>(grey.bytesPerLine())});
    return result.isValid() ? result.text() : "";
}

}  // namespace korvane::test
