#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The phone's requests and the server's replies, as the request data carries them: TAB-separated
// fields, the request code first. docs/protocol.md describes them for anyone writing a client.
namespace korvane::protocol {

enum class RequestCode : std::int32_t {
    // Is this the server? Answered at once, the desktop untouched.
    SettingsCheck = 101,
    // Type a barcode, press the suffix key, and capture 320 x 240 around the caret.
    Barcode = 102,
    // Capture 320 x 240 around the caret only.
    Capture = 103,
    // Type a barcode, press the suffix key, and capture in the phone's screen ratio.
    BarcodeShaped = 104,
    // Capture in the phone's screen ratio only.
    CaptureShaped = 105,
};

// True for the codes that use the desktop (102 to 105).
inline bool usesDesktop(std::int32_t code) {
    return code >= static_cast<std::int32_t>(RequestCode::Barcode) &&
           code <= static_cast<std::int32_t>(RequestCode::CaptureShaped);
}
// True for the codes that type a barcode (102, 104).
inline bool typesBarcode(std::int32_t code) {
    return code == static_cast<std::int32_t>(RequestCode::Barcode) ||
           code == static_cast<std::int32_t>(RequestCode::BarcodeShaped);
}

// Field positions. Every request: the code. Barcode and BarcodeShaped: the barcode, the capture
// order ("0": capture before the suffix key), the suffix code, the delay code, and for
// BarcodeShaped the phone's screen width and height. CaptureShaped: width and height.
inline constexpr std::size_t kCodeField = 0;
inline constexpr std::size_t kBarcodeField = 1;
inline constexpr std::size_t kCaptureOrderField = 2;
inline constexpr std::size_t kSuffixField = 3;
inline constexpr std::size_t kDelayField = 4;
inline constexpr std::size_t kBarcodeWidthField = 5;
inline constexpr std::size_t kBarcodeHeightField = 6;
inline constexpr std::size_t kCaptureWidthField = 1;
inline constexpr std::size_t kCaptureHeightField = 2;

// The capture order field's value that asks for the capture before the suffix key.
inline constexpr char kCaptureBeforeSuffix[] = "0";

// The file name a capture is sent under.
inline constexpr char kCaptureFileName[] = "capture.png";

// The reply's result field.
enum class Result {
    // Nothing was done: no target window, an unsupported request, or a refused one.
    NotDone = 0,
    Done = 1,
    CaptureFailed = 2,
};

// Reply payloads: the request's code as parsed (a code sent as "0102" comes back as "102", so a
// million leading zeros cost the reply nothing), the result, and for a failure its text.
std::string reply(std::int32_t code, Result result);
std::string reply(std::int32_t code, Result result, const std::string& text);
// The settings check's reply, "101", "1".
std::string settingsReply();

}  // namespace korvane::protocol
