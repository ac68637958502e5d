#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace korvane {

// The longest barcode typed, in CP932 bytes as it came off the wire: far beyond any printed code.
inline constexpr std::size_t kMaxBarcodeBytes = 8 * 1024;

// Why a barcode must not be typed, or empty when it may be. Refused is text that no barcode needs
// and that only an attacker sends: a C0 control other than TAB, line feed, carriage return and
// the separators EOT, FS, GS, RS and US (GS1 and ISO 15434 codes carry them), DEL, a C1 control,
// a bidirectional embedding, override or isolate; and a barcode longer than kMaxBarcodeBytes.
// The reason is the log's text.
std::string barcodeRefusal(std::string_view barcode);

}  // namespace korvane
