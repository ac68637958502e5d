#include "desktop/wayland/ScreenCopier.h"

#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>

#include "protocols/wlr-screencopy-unstable-v1-client-protocol.h"

namespace korvane::wayland {

namespace {

constexpr auto kAnswerBudget = std::chrono::milliseconds(2000);

// What the compositor said of one frame so far.
struct FrameState {
    std::uint32_t format = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t stride = 0;
    bool buffer = false;
    bool yInvert = false;
    bool ready = false;
    bool failed = false;
};

void handleBuffer(void* data, zwlr_screencopy_frame_v1*, std::uint32_t format, std::uint32_t width,
                  std::uint32_t height, std::uint32_t stride) {
    auto* state = static_cast<FrameState*>(data);
    *state = FrameState{format, width, height, stride, true, state->yInvert, false, false};
}

void handleFlags(void* data, zwlr_screencopy_frame_v1*, std::uint32_t flags) {
    static_cast<FrameState*>(data)->yInvert =
        (flags & ZWLR_SCREENCOPY_FRAME_V1_FLAGS_Y_INVERT) != 0;
}

void handleReady(void* data, zwlr_screencopy_frame_v1*, std::uint32_t, std::uint32_t,
                 std::uint32_t) {
    static_cast<FrameState*>(data)->ready = true;
}

void handleFailed(void* data, zwlr_screencopy_frame_v1*) {
    static_cast<FrameState*>(data)->failed = true;
}

constexpr zwlr_screencopy_frame_v1_listener kFrameListener{
    handleBuffer,
    handleFlags,
    handleReady,
    handleFailed,
    [](void*, zwlr_screencopy_frame_v1*, std::uint32_t, std::uint32_t, std::uint32_t,
       std::uint32_t) {},
    [](void*, zwlr_screencopy_frame_v1*, std::uint32_t, std::uint32_t, std::uint32_t) {},
    [](void*, zwlr_screencopy_frame_v1*) {}};

// Puts the copied `region` (buffer pixels, possibly at the output's scale) into the picture of
// `rect`.
void place(const std::uint8_t* pixels, const FrameState& state, const CaptureRect& region,
           const CaptureRect& rect, RgbImage& image) {
    const std::int64_t left = region.left;
    const std::int64_t top = region.top;
    const std::int64_t width = region.width;
    const std::int64_t height = region.height;
    int red = 0;
    int blue = 0;
    switch (state.format) {
        case WL_SHM_FORMAT_XRGB8888:
        case WL_SHM_FORMAT_ARGB8888:
            red = 2;  // little-endian 0xXXRRGGBB: bytes B, G, R, X
            blue = 0;
            break;
        case WL_SHM_FORMAT_XBGR8888:
        case WL_SHM_FORMAT_ABGR8888:
            red = 0;
            blue = 2;
            break;
        default:
            return;
    }
    for (std::int64_t y = 0; y < height; ++y) {
        std::int64_t sourceY = y * state.height / height;
        if (state.yInvert) {
            sourceY = state.height - 1 - sourceY;
        }
        const std::uint8_t* row = pixels + static_cast<std::size_t>(sourceY) * state.stride;
        std::uint8_t* out =
            image.pixels.data() + (static_cast<std::size_t>(top + y - rect.top) * image.width +
                                   static_cast<std::size_t>(left - rect.left)) *
                                      3;
        for (std::int64_t x = 0; x < width; ++x) {
            const std::uint8_t* in = row + static_cast<std::size_t>(x * state.width / width) * 4;
            out[0] = in[red];
            out[1] = in[1];
            out[2] = in[blue];
            out += 3;
        }
    }
}

}  // namespace

ScreenCopier::~ScreenCopier() {
    zwlr_screencopy_manager_v1_destroy(mManager);
    wl_shm_destroy(mShm);
}

void ScreenCopier::grab(const OutputList& outputs, const CaptureRect& rect, RgbImage& image) {
    for (const auto& output : outputs.all()) {
        const std::int64_t left = std::max(rect.left, output->x);
        const std::int64_t top = std::max(rect.top, output->y);
        const std::int64_t right = std::min(rect.left + rect.width, output->x + output->width);
        const std::int64_t bottom = std::min(rect.top + rect.height, output->y + output->height);
        if (left >= right || top >= bottom) {
            continue;
        }
        const CaptureRect region{left, top, static_cast<int>(right - left),
                                 static_cast<int>(bottom - top)};
        grabRegion(*output, region, rect, image);
    }
}

void ScreenCopier::grabRegion(const Output& output, const CaptureRect& region,
                              const CaptureRect& rect, RgbImage& image) {
    FrameState state;
    zwlr_screencopy_frame_v1* frame = zwlr_screencopy_manager_v1_capture_output_region(
        mManager, 0, output.proxy, static_cast<std::int32_t>(region.left - output.x),
        static_cast<std::int32_t>(region.top - output.y), region.width, region.height);
    zwlr_screencopy_frame_v1_add_listener(frame, &kFrameListener, &state);
    const auto deadline = WaylandSession::Clock::now() + kAnswerBudget;
    if (!mSession.waitUntil([&] { return state.buffer || state.failed; }, deadline) ||
        state.failed || state.width == 0 || state.height == 0) {
        zwlr_screencopy_frame_v1_destroy(frame);
        return;
    }
    const std::size_t size = static_cast<std::size_t>(state.stride) * state.height;
    const int fd = ::memfd_create("korvane-screencopy", MFD_CLOEXEC);
    if (fd < 0 || ::ftruncate(fd, static_cast<off_t>(size)) != 0) {
        if (fd >= 0) {
            ::close(fd);
        }
        zwlr_screencopy_frame_v1_destroy(frame);
        return;
    }
    void* pixels = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    wl_shm_pool* pool = wl_shm_create_pool(mShm, fd, static_cast<std::int32_t>(size));
    wl_buffer* buffer = wl_shm_pool_create_buffer(
        pool, 0, static_cast<std::int32_t>(state.width), static_cast<std::int32_t>(state.height),
        static_cast<std::int32_t>(state.stride), state.format);
    ::close(fd);
    if (pixels != MAP_FAILED) {
        zwlr_screencopy_frame_v1_copy(frame, buffer);
        if (mSession.waitUntil([&] { return state.ready || state.failed; }, deadline) &&
            state.ready) {
            place(static_cast<const std::uint8_t*>(pixels), state, region, rect, image);
        }
        ::munmap(pixels, size);
    }
    zwlr_screencopy_frame_v1_destroy(frame);
    wl_buffer_destroy(buffer);
    wl_shm_pool_destroy(pool);
}

}  // namespace korvane::wayland
