#include "core/QrEncoder.h"
#include "core/QrMatrix.h"

namespace korvane {

QrMatrix encodeQr(const std::string& payload) {
    // A payload past the encoder's largest version gets no symbol: the window draws none.
    return encodeQrSymbol(payload).value_or(QrMatrix{});
}

}  // namespace korvane
