#include "desktop/x11/XScreenGrab.h"

#include <X11/Xutil.h>

#include <algorithm>
#include <bit>

#include "desktop/x11/XErrorTrap.h"

namespace korvane::x11 {
namespace {

// One 8-bit channel of a pixel value, whatever the visual's mask.
class Channel {
  public:
    explicit Channel(unsigned long mask) : mMask(mask) {
        if (mask != 0) {
            mShift = std::countr_zero(mask);
            mMax = mask >> mShift;
        }
    }
    std::uint8_t operator()(unsigned long pixel) const {
        return mMax == 0 ? 0 : static_cast<std::uint8_t>(((pixel & mMask) >> mShift) * 255 / mMax);
    }

  private:
    unsigned long mMask;
    int mShift = 0;
    unsigned long mMax = 0;
};

}  // namespace

bool grabScreen(Display* display, const CaptureRect& rect, std::vector<std::uint8_t>& rgb) {
    Window root = DefaultRootWindow(display);
    const std::int64_t screenW = DisplayWidth(display, DefaultScreen(display));
    const std::int64_t screenH = DisplayHeight(display, DefaultScreen(display));
    // The server refuses a grab that is not wholly on screen: take only the visible part.
    const std::int64_t left = std::max<std::int64_t>(rect.left, 0);
    const std::int64_t top = std::max<std::int64_t>(rect.top, 0);
    const std::int64_t right = std::min<std::int64_t>(rect.left + rect.width, screenW);
    const std::int64_t bottom = std::min<std::int64_t>(rect.top + rect.height, screenH);
    if (left >= right || top >= bottom) {
        return true;
    }
    const unsigned width = static_cast<unsigned>(right - left);
    const unsigned height = static_cast<unsigned>(bottom - top);

    XImage* image = nullptr;
    {
        XErrorTrap trap(display);
        image = XGetImage(display, root, static_cast<int>(left), static_cast<int>(top), width,
                          height, AllPlanes, ZPixmap);
        if (trap.sync() != 0 && image != nullptr) {
            XDestroyImage(image);
            image = nullptr;
        }
    }
    if (image == nullptr) {
        return false;
    }
    const Channel red(image->red_mask);
    const Channel green(image->green_mask);
    const Channel blue(image->blue_mask);
    const std::size_t stride = static_cast<std::size_t>(rect.width) * 3;
    for (unsigned y = 0; y < height; ++y) {
        std::uint8_t* out = rgb.data() + static_cast<std::size_t>(top - rect.top + y) * stride +
                            static_cast<std::size_t>(left - rect.left) * 3;
        for (unsigned x = 0; x < width; ++x, out += 3) {
            const unsigned long pixel = XGetPixel(image, static_cast<int>(x), static_cast<int>(y));
            out[0] = red(pixel);
            out[1] = green(pixel);
            out[2] = blue(pixel);
        }
    }
    XDestroyImage(image);
    return true;
}

}  // namespace korvane::x11
