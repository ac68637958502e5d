#include "desktop/x11/XScreenGrab.h"

#include <X11/Xutil.h>

#include <algorithm>
#include <array>
#include <bit>
#include <optional>

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

// Where red, green and blue lie in the bytes of a pixel, for images of 32 bits a pixel whose
// channels are whole bytes (the usual depth 24 and 32 visuals); nothing for any other layout.
std::optional<std::array<int, 3>> byteOffsets(const XImage& image) {
    if (image.bits_per_pixel != 32) {
        return std::nullopt;
    }
    std::array<int, 3> offsets{};
    const unsigned long masks[3] = {image.red_mask, image.green_mask, image.blue_mask};
    for (int i = 0; i < 3; ++i) {
        const int shift = masks[i] == 0 ? 0 : std::countr_zero(masks[i]);
        if (masks[i] != 0xffUL << shift || shift % 8 != 0 || shift > 24) {
            return std::nullopt;
        }
        offsets[i] = image.byte_order == LSBFirst ? shift / 8 : 3 - shift / 8;
    }
    return offsets;
}

// Reading the bytes directly: XGetPixel, a call per pixel, cost more than the rest of the grab.
void copyBytes(const XImage& image, std::array<int, 3> offsets, unsigned width, unsigned height,
               std::uint8_t* out, std::size_t stride) {
    for (unsigned y = 0; y < height; ++y, out += stride) {
        const auto* in =
            reinterpret_cast<const std::uint8_t*>(image.data) +
            static_cast<std::size_t>(y) * static_cast<std::size_t>(image.bytes_per_line);
        std::uint8_t* pixel = out;
        for (unsigned x = 0; x < width; ++x, in += 4, pixel += 3) {
            pixel[0] = in[offsets[0]];
            pixel[1] = in[offsets[1]];
            pixel[2] = in[offsets[2]];
        }
    }
}

void copyPixels(XImage* image, unsigned width, unsigned height, std::uint8_t* out,
                std::size_t stride) {
    const Channel red(image->red_mask);
    const Channel green(image->green_mask);
    const Channel blue(image->blue_mask);
    for (unsigned y = 0; y < height; ++y, out += stride) {
        std::uint8_t* pixel = out;
        for (unsigned x = 0; x < width; ++x, pixel += 3) {
            const unsigned long value = XGetPixel(image, static_cast<int>(x), static_cast<int>(y));
            pixel[0] = red(value);
            pixel[1] = green(value);
            pixel[2] = blue(value);
        }
    }
}

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
    const std::size_t stride = static_cast<std::size_t>(rect.width) * 3;
    std::uint8_t* out = rgb.data() + static_cast<std::size_t>(top - rect.top) * stride +
                        static_cast<std::size_t>(left - rect.left) * 3;
    if (const std::optional<std::array<int, 3>> offsets = byteOffsets(*image)) {
        copyBytes(*image, *offsets, width, height, out, stride);
    } else {
        copyPixels(image, width, height, out, stride);
    }
    XDestroyImage(image);
    return true;
}

}  // namespace korvane::x11
