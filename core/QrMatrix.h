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
// are (no ECI designator). Built only where a QR encoder is (korvane_qr; not in the Windows
// build yet).
QrMatrix encodeQr(const std::string& payload);

}  // namespace korvane
