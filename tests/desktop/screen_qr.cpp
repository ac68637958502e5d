// Reads the QR code in a rectangle of the X screen with ZXing: the Windows window's code as the
// X server shows it under Wine. Usage: korvane_screen_qr X Y WIDTH HEIGHT. Prints the code's text
// and exits 0, or exits 1 when no QR code at level L is found there.
#define ZX_USE_UTF8 1
#include <ZXing/ReadBarcode.h>
// After ZXing: Xlib defines None, one of ZXing's names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 5) {
        std::cerr << "usage: korvane_screen_qr X Y WIDTH HEIGHT\n";
        return 2;
    }
    const int x = std::atoi(argv[1]);
    const int y = std::atoi(argv[2]);
    const int width = std::atoi(argv[3]);
    const int height = std::atoi(argv[4]);
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::cerr << "no X display\n";
        return 2;
    }
    XImage* image =
        XGetImage(display, DefaultRootWindow(display), x, y, static_cast<unsigned>(width),
                  static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (image == nullptr) {
        std::cerr << "the rectangle is not on the screen\n";
        return 2;
    }
    std::vector<std::uint8_t> grey(static_cast<std::size_t>(width) * height);
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            const unsigned long pixel = XGetPixel(image, column, row);
            const unsigned red = (pixel >> 16) & 0xFF;
            const unsigned green = (pixel >> 8) & 0xFF;
            const unsigned blue = pixel & 0xFF;
            grey[static_cast<std::size_t>(row) * width + column] =
                static_cast<std::uint8_t>((red * 299 + green * 587 + blue * 114) / 1000);
        }
    }
    XDestroyImage(image);
    XCloseDisplay(display);
    const ZXing::Result result =
        ZXing::ReadBarcode({grey.data(), width, height, ZXing::ImageFormat::Lum},
                           ZXing::DecodeHints().setFormats(ZXing::BarcodeFormat::QRCode));
    if (!result.isValid() || result.ecLevel() != "L") {
        std::cerr << "no QR code at level L in the rectangle\n";
        return 1;
    }
    std::cout << result.text() << std::endl;
    return 0;
}
