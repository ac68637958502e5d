#include "desktop/x11/XScreenGrab.h"

#include <X11/Xutil.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/socket.h>

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

// Shared memory is only for a server on this machine: a segment id means another segment there.
bool isLocal(Display* display) {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    return ::getsockname(ConnectionNumber(display), reinterpret_cast<sockaddr*>(&address),
                         &length) == 0 &&
           address.ss_family == AF_UNIX;
}

// An image made by XShmCreateImage owns neither its pixels nor its segment information.
void destroySharedImage(XImage* image) {
    image->data = nullptr;
    image->obdata = nullptr;
    XDestroyImage(image);
}

}  // namespace

XScreenGrab::XScreenGrab(Display* display)
    : mDisplay(display), mShared(isLocal(display) && XShmQueryExtension(display)) {}

XScreenGrab::~XScreenGrab() {
    if (mCapacity > 0) {
        ::shmdt(mSegment.shmaddr);
    }
}

void XScreenGrab::dropSegment() {
    if (mCapacity > 0) {
        XShmDetach(mDisplay, &mSegment);
        ::shmdt(mSegment.shmaddr);
    }
    mSegment = {};
    mCapacity = 0;
}

XImage* XScreenGrab::sharedImage(unsigned width, unsigned height) {
    if (!mShared) {
        return nullptr;
    }
    const int screen = DefaultScreen(mDisplay);
    XImage* image = XShmCreateImage(mDisplay, DefaultVisual(mDisplay, screen),
                                    static_cast<unsigned>(DefaultDepth(mDisplay, screen)), ZPixmap,
                                    nullptr, &mSegment, width, height);
    if (image == nullptr) {
        return nullptr;
    }
    const std::size_t size =
        static_cast<std::size_t>(image->bytes_per_line) * static_cast<std::size_t>(image->height);
    if (size > mCapacity) {
        dropSegment();
        const int id = ::shmget(IPC_PRIVATE, size, IPC_CREAT | 0600);
        void* address = id < 0 ? reinterpret_cast<void*>(-1) : ::shmat(id, nullptr, 0);
        int error = -1;
        if (address != reinterpret_cast<void*>(-1)) {
            mSegment.shmid = id;
            mSegment.shmaddr = static_cast<char*>(address);
            mSegment.readOnly = False;
            XErrorTrap trap(mDisplay);
            XShmAttach(mDisplay, &mSegment);
            error = trap.sync();
        }
        // Gone once both sides have let go, however this process ends.
        if (id >= 0) {
            ::shmctl(id, IPC_RMID, nullptr);
        }
        if (error != 0) {
            if (address != reinterpret_cast<void*>(-1)) {
                ::shmdt(address);
            }
            mSegment = {};
            mShared = false;
            destroySharedImage(image);
            return nullptr;
        }
        mCapacity = size;
    }
    image->data = mSegment.shmaddr;
    return image;
}

bool XScreenGrab::grab(const CaptureRect& rect, std::vector<std::uint8_t>& rgb) {
    Display* display = mDisplay;
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
    bool shared = false;
    if (XImage* target = sharedImage(width, height)) {
        XErrorTrap trap(display);
        if (XShmGetImage(display, root, target, static_cast<int>(left), static_cast<int>(top),
                         AllPlanes) &&
            trap.sync() == 0) {
            image = target;
            shared = true;
        } else {
            // Not again on this connection: the reply to XGetImage always serves.
            destroySharedImage(target);
            dropSegment();
            mShared = false;
        }
    }
    if (image == nullptr) {
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
    if (shared) {
        destroySharedImage(image);
    } else {
        XDestroyImage(image);
    }
    return true;
}

}  // namespace korvane::x11
