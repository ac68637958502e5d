#pragma once

#include <string>
#include <vector>

namespace korvane {

// The modules of a QR symbol as plain data, for any front end to draw: `size` rows of `size`
// modules, row by row, true for a dark one.
struct QrMatrix {
    int size = 0;
    std::vector<bool> dark;

    bool isDark(int x, int y) const { return dark[static_cast<std::size_t>(y) * size + x]; }
};

// The QR symbol of `payload` at level L with a light quiet zone of 4 modules, the bytes as they
// are (no ECI designator). korvane_qr builds it with ZXing where ZXing is (Linux) and with the
// own encoder (core/QrEncoder.h) elsewhere; both give the same modules for payloads of up to
// kQrMaxPayloadBytes (271) bytes, far more than a connection payload. Past that the own encoder
// gives an empty matrix (size 0), which draws as no symbol.
QrMatrix encodeQr(const std::string& payload);

}  // namespace korvane
