#pragma once

#include <cstdint>

namespace korvane {

// The picture a phone asks for around the caret: 320 x 240 centred on it, or 320 wide with the
// height in the phone's ratio and the caret at (100, 200).
class CaptureShape {
  public:
    static CaptureShape centred() { return CaptureShape(0, 0, true); }
    // The ratio of the phone's screen, height / width, as the phone reports its two sides.
    static CaptureShape ratio(std::int32_t width, std::int32_t height) {
        return CaptureShape(width, height, false);
    }

    bool isCentred() const { return mCentred; }
    std::int32_t ratioWidth() const { return mWidth; }
    std::int32_t ratioHeight() const { return mHeight; }

  private:
    CaptureShape(std::int32_t width, std::int32_t height, bool centred)
        : mWidth(width), mHeight(height), mCentred(centred) {}

    std::int32_t mWidth;
    std::int32_t mHeight;
    bool mCentred;
};

}  // namespace korvane
