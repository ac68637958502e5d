#include <ZXing/BarcodeFormat.h>
#include <ZXing/BitMatrix.h>
#include <ZXing/MultiFormatWriter.h>

#include "core/QrMatrix.h"

namespace korvane {
namespace {

constexpr int kQuietZone = 4;
// The writer maps its 0..8 scale onto the four levels; 1 is L.
constexpr int kEccLevelL = 1;

}  // namespace

QrMatrix encodeQr(const std::string& payload) {
    // Width and height 0 ask for one pixel per module; the encoding stays unset so that the
    // ASCII payload goes out as plain bytes without an ECI designator.
    ZXing::BitMatrix matrix = ZXing::MultiFormatWriter(ZXing::BarcodeFormat::QRCode)
                                  .setEccLevel(kEccLevelL)
                                  .setMargin(kQuietZone)
                                  .encode(payload, 0, 0);
    QrMatrix symbol;
    symbol.size = matrix.width();
    symbol.dark.reserve(static_cast<std::size_t>(symbol.size) * symbol.size);
    for (int y = 0; y < symbol.size; ++y) {
        for (int x = 0; x < symbol.size; ++x) {
            symbol.dark.push_back(matrix.get(x, y));
        }
    }
    return symbol;
}

}  // namespace korvane
