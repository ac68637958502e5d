#include "desktop/wayland/WlrootsDesktop.h"

#include <linux/input-event-codes.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <functional>
#include <limits>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <thread>

#include "desktop/atspi/AtspiCaret.h"
#include "desktop/wayland/SwayIpc.h"
#include "desktop/wayland/WaylandClipboardOwner.h"
#include "platform/Trace.h"
#include "protocols/virtual-keyboard-unstable-v1-client-protocol.h"
#include "protocols/wlr-data-control-unstable-v1-client-protocol.h"
#include "protocols/wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"
#include "protocols/wlr-screencopy-unstable-v1-client-protocol.h"
#include "protocols/xdg-output-unstable-v1-client-protocol.h"

namespace korvane {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
using wayland::askSwayWindows;
using wayland::SwayWindow;

constexpr auto kCaretBudget = 250ms;
constexpr auto kPastePause = 100ms;
constexpr auto kDeliveryBudget = 500ms;
// How long a handed-over text stays on the clipboard before the next one replaces it. A GTK client
// finishes its read only when it sees the end of the pipe, after the last byte; a selection change
// before that cancels the paste, and the client then pastes the new text in its place.
constexpr auto kHandOverSettle = 150ms;
constexpr auto kIpcBudget = 250ms;
constexpr auto kAnswerBudget = 2000ms;
// A client learns that the seat has a keyboard only when the compositor announces the new one,
// and asks for its keyboard object a round trip later: a key sent before then reaches no one. With
// no other keyboard on the seat (a headless session, or a machine without one) the first keys of a
// new virtual keyboard were lost that way; the one keyboard of this object waits this long after
// its creation before its first key.
constexpr auto kKeyboardSettle = 500ms;

const char* const kDisplayLost = "Wayland ディスプレイとの接続が切れました。";

std::int32_t clampToInt32(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

std::uint32_t nowMs() {
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch())
            .count());
}

// The evdev code of a key of the US keymap uploaded with the keyboard.
std::uint32_t evdevCode(VirtualKey key) {
    switch (key) {
        case VirtualKey::Tab:
            return KEY_TAB;
        case VirtualKey::Return:
            return KEY_ENTER;
        case VirtualKey::F2:
            return KEY_F2;
        case VirtualKey::NoKey:
            break;
    }
    return 0;
}

struct Output {
    wl_output* proxy = nullptr;
    zxdg_output_v1* xdgOutput = nullptr;
    // Where the output lies in the compositor's layout, in logical pixels.
    std::int64_t x = 0;
    std::int64_t y = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;
};

struct Toplevel {
    WindowHandle id = 0;
    std::string title;
    std::string appId;
    bool activated = false;
    std::set<wl_output*> outputs;
};

// What a caller learns of a toplevel; copied out of the thread that owns the toplevels.
struct ToplevelView {
    std::string title;
    std::string appId;
    std::optional<Output> output;
};

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

}  // namespace

// One connection to the compositor and the thread that reads it. Everything Wayland happens on
// that thread: callers hand it tasks and wait for them. A task may wait for events itself, with
// `waitUntil`, which goes on reading meanwhile. Once the connection fails the session is dead and
// the desktop makes a new one.
class WaylandSession {
  public:
    explicit WaylandSession(const std::string& displayName) {
        mDisplay = wl_display_connect(displayName.empty() ? nullptr : displayName.c_str());
        if (mDisplay == nullptr) {
            mFailure = "Wayland ディスプレイ \"" + displayName + "\" に接続できません。";
            return;
        }
        mRegistry = wl_display_get_registry(mDisplay);
        wl_registry_add_listener(mRegistry, &kRegistryListener, this);
        // The globals, then what the bound ones tell at once (outputs, toplevels).
        if (wl_display_roundtrip(mDisplay) < 0 || wl_display_roundtrip(mDisplay) < 0) {
            mFailure = kDisplayLost;
            return;
        }
        if (mSeat == nullptr || mKeyboardManager == nullptr || mToplevelManager == nullptr ||
            mScreencopy == nullptr || mShm == nullptr) {
            mFailure =
                "コンポジターに wlroots のプロトコル (仮想キーボード、ウィンドウ一覧、画面コピー) "
                "がありません。";
            return;
        }
        if (!makeKeyboard()) {
            return;
        }
        mWake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (mWake < 0) {
            mFailure = std::strerror(errno);
            return;
        }
        mThread = std::thread([this] { run(); });
    }

    ~WaylandSession() {
        if (mThread.joinable()) {
            {
                std::lock_guard lock(mLock);
                mStop = true;
            }
            wake();
            mThread.join();
        }
        if (mWake >= 0) {
            ::close(mWake);
        }
        if (mKeymap != nullptr) {
            xkb_keymap_unref(mKeymap);
        }
        if (mDisplay == nullptr) {
            return;
        }
        // The client library leaves the proxies to their owner; the compositor drops the objects
        // of a closed connection by itself.
        for (auto& [proxy, toplevel] : mToplevels) {
            zwlr_foreign_toplevel_handle_v1_destroy(proxy);
        }
        for (auto& output : mOutputs) {
            if (output->xdgOutput != nullptr) {
                zxdg_output_v1_destroy(output->xdgOutput);
            }
            wl_output_destroy(output->proxy);
        }
        if (mKeyboard != nullptr) {
            zwp_virtual_keyboard_v1_destroy(mKeyboard);
        }
        if (mKeyboardManager != nullptr) {
            zwp_virtual_keyboard_manager_v1_destroy(mKeyboardManager);
        }
        if (mToplevelManager != nullptr) {
            zwlr_foreign_toplevel_manager_v1_destroy(mToplevelManager);
        }
        if (mScreencopy != nullptr) {
            zwlr_screencopy_manager_v1_destroy(mScreencopy);
        }
        if (mXdgOutputManager != nullptr) {
            zxdg_output_manager_v1_destroy(mXdgOutputManager);
        }
        if (mShm != nullptr) {
            wl_shm_destroy(mShm);
        }
        if (mSeat != nullptr) {
            wl_seat_destroy(mSeat);
        }
        wl_registry_destroy(mRegistry);
        wl_display_disconnect(mDisplay);
    }

    // False with the reason when the session cannot serve (any more).
    bool usable(std::string& reason) {
        std::lock_guard lock(mLock);
        if (!mThread.joinable() || mDead) {
            reason = mFailure.empty() ? kDisplayLost : mFailure;
            return false;
        }
        return true;
    }

    // Runs `task` on the session's thread and waits for it; false when the connection failed
    // before or during it.
    bool run(std::function<void()> task) {
        std::unique_lock lock(mLock);
        if (mDead) {
            return false;
        }
        const std::uint64_t ticket = ++mPosted;
        mTasks.push_back(std::move(task));
        lock.unlock();
        wake();
        lock.lock();
        mChanged.wait(lock, [&] { return mFinished >= ticket || mDead; });
        return mFinished >= ticket && !mDead;
    }

    // --- What follows runs on the session's thread only. ---

    // Reads and dispatches events until `done` holds or the deadline passes; false then, or when
    // the connection failed.
    bool waitUntil(const std::function<bool()>& done, Clock::time_point deadline) {
        const int fd = wl_display_get_fd(mDisplay);
        while (!done()) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0 || !pumpOnce(fd, static_cast<int>(left.count()), false)) {
                return false;
            }
        }
        return true;
    }

    // Waits until the compositor has handled every request sent so far.
    bool sync() {
        bool done = false;
        wl_callback* callback = wl_display_sync(mDisplay);
        wl_callback_add_listener(callback, &kSyncListener, &done);
        const bool answered = waitUntil([&] { return done; }, Clock::now() + kAnswerBudget);
        if (!done) {
            wl_callback_destroy(callback);
        }
        return answered;
    }

    std::optional<std::pair<WindowHandle, ToplevelView>> activatedToplevel() {
        for (auto& [proxy, toplevel] : mToplevels) {
            if (toplevel->activated) {
                return std::make_pair(toplevel->id, viewOf(*toplevel));
            }
        }
        return std::nullopt;
    }

    std::optional<ToplevelView> toplevel(WindowHandle id) {
        for (auto& [proxy, toplevel] : mToplevels) {
            if (toplevel->id == id) {
                return viewOf(*toplevel);
            }
        }
        return std::nullopt;
    }

    std::optional<Output> firstOutput() {
        if (mOutputs.empty()) {
            return std::nullopt;
        }
        return *mOutputs.front();
    }

    // Presses `code` with Control held when `withControl`.
    bool tapKey(std::uint32_t code, bool withControl) {
        const auto settled = mKeyboardMade + kKeyboardSettle;
        if (Clock::now() < settled) {
            waitUntil([] { return false; }, settled);
        }
        if (withControl) {
            zwp_virtual_keyboard_v1_key(mKeyboard, nowMs(), KEY_LEFTCTRL,
                                        WL_KEYBOARD_KEY_STATE_PRESSED);
            zwp_virtual_keyboard_v1_modifiers(mKeyboard, mControlMask, 0, 0, 0);
        }
        zwp_virtual_keyboard_v1_key(mKeyboard, nowMs(), code, WL_KEYBOARD_KEY_STATE_PRESSED);
        zwp_virtual_keyboard_v1_key(mKeyboard, nowMs(), code, WL_KEYBOARD_KEY_STATE_RELEASED);
        if (withControl) {
            zwp_virtual_keyboard_v1_key(mKeyboard, nowMs(), KEY_LEFTCTRL,
                                        WL_KEYBOARD_KEY_STATE_RELEASED);
            zwp_virtual_keyboard_v1_modifiers(mKeyboard, 0, 0, 0, 0);
        }
        return sync();
    }

    // Copies what the outputs show of `rect` into `image`.
    void grab(const CaptureRect& rect, RgbImage& image) {
        for (const auto& output : mOutputs) {
            const std::int64_t left = std::max(rect.left, output->x);
            const std::int64_t top = std::max(rect.top, output->y);
            const std::int64_t right = std::min(rect.left + rect.width, output->x + output->width);
            const std::int64_t bottom =
                std::min(rect.top + rect.height, output->y + output->height);
            if (left >= right || top >= bottom) {
                continue;
            }
            grabRegion(*output, left, top, right - left, bottom - top, rect, image);
        }
    }

  private:
    ToplevelView viewOf(const Toplevel& toplevel) {
        ToplevelView view{toplevel.title, toplevel.appId, std::nullopt};
        for (const auto& output : mOutputs) {
            if (toplevel.outputs.count(output->proxy) != 0) {
                view.output = *output;
                break;
            }
        }
        return view;
    }

    bool makeKeyboard() {
        xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
        if (context == nullptr) {
            mFailure = "xkb の初期化に失敗しました。";
            return false;
        }
        const xkb_rule_names names{"evdev", "pc105", "us", "", ""};
        mKeymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
        xkb_context_unref(context);
        if (mKeymap == nullptr) {
            mFailure = "キーボード配列 (us) を作成できません。";
            return false;
        }
        mControlMask = 1u << xkb_keymap_mod_get_index(mKeymap, XKB_MOD_NAME_CTRL);
        char* text = xkb_keymap_get_as_string(mKeymap, XKB_KEYMAP_FORMAT_TEXT_V1);
        const std::size_t size = std::strlen(text) + 1;
        const int fd = ::memfd_create("korvane-keymap", MFD_CLOEXEC);
        const bool written = fd >= 0 && ::write(fd, text, size) == static_cast<ssize_t>(size);
        std::free(text);
        if (!written) {
            if (fd >= 0) {
                ::close(fd);
            }
            mFailure = "キーボード配列を渡せません。";
            return false;
        }
        mKeyboard =
            zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(mKeyboardManager, mSeat);
        zwp_virtual_keyboard_v1_keymap(mKeyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd,
                                       static_cast<std::uint32_t>(size));
        ::close(fd);
        if (wl_display_roundtrip(mDisplay) < 0) {
            mFailure = kDisplayLost;
            return false;
        }
        mKeyboardMade = Clock::now();
        return true;
    }

    void grabRegion(const Output& output, std::int64_t left, std::int64_t top, std::int64_t width,
                    std::int64_t height, const CaptureRect& rect, RgbImage& image) {
        FrameState state;
        zwlr_screencopy_frame_v1* frame = zwlr_screencopy_manager_v1_capture_output_region(
            mScreencopy, 0, output.proxy, static_cast<std::int32_t>(left - output.x),
            static_cast<std::int32_t>(top - output.y), static_cast<std::int32_t>(width),
            static_cast<std::int32_t>(height));
        zwlr_screencopy_frame_v1_add_listener(frame, &kFrameListener, &state);
        const auto deadline = Clock::now() + kAnswerBudget;
        if (!waitUntil([&] { return state.buffer || state.failed; }, deadline) || state.failed ||
            state.width == 0 || state.height == 0) {
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
        wl_buffer* buffer =
            wl_shm_pool_create_buffer(pool, 0, static_cast<std::int32_t>(state.width),
                                      static_cast<std::int32_t>(state.height),
                                      static_cast<std::int32_t>(state.stride), state.format);
        ::close(fd);
        if (pixels != MAP_FAILED) {
            zwlr_screencopy_frame_v1_copy(frame, buffer);
            if (waitUntil([&] { return state.ready || state.failed; }, deadline) && state.ready) {
                place(static_cast<const std::uint8_t*>(pixels), state, left, top, width, height,
                      rect, image);
            }
            ::munmap(pixels, size);
        }
        zwlr_screencopy_frame_v1_destroy(frame);
        wl_buffer_destroy(buffer);
        wl_shm_pool_destroy(pool);
    }

    // Puts the copied region (buffer pixels, possibly at the output's scale) into the picture.
    static void place(const std::uint8_t* pixels, const FrameState& state, std::int64_t left,
                      std::int64_t top, std::int64_t width, std::int64_t height,
                      const CaptureRect& rect, RgbImage& image) {
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
                const std::uint8_t* in =
                    row + static_cast<std::size_t>(x * state.width / width) * 4;
                out[0] = in[red];
                out[1] = in[1];
                out[2] = in[blue];
                out += 3;
            }
        }
    }

    void wake() {
        const std::uint64_t one = 1;
        [[maybe_unused]] ssize_t ignored = ::write(mWake, &one, sizeof(one));
    }

    // One round of reading: waits up to `timeoutMs` (-1: without end) for the compositor or, when
    // `withWake`, for a task. False when the connection failed.
    bool pumpOnce(int fd, int timeoutMs, bool withWake) {
        while (wl_display_prepare_read(mDisplay) != 0) {
            if (wl_display_dispatch_pending(mDisplay) < 0) {
                return fail();
            }
        }
        wl_display_flush(mDisplay);
        pollfd fds[2] = {{fd, POLLIN, 0}, {mWake, POLLIN, 0}};
        const int ready = ::poll(fds, withWake ? 2 : 1, timeoutMs);
        if (ready < 0 && errno != EINTR) {
            wl_display_cancel_read(mDisplay);
            return fail();
        }
        if (ready > 0 && (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
            if (wl_display_read_events(mDisplay) < 0) {
                return fail();
            }
        } else {
            wl_display_cancel_read(mDisplay);
        }
        if (wl_display_dispatch_pending(mDisplay) < 0) {
            return fail();
        }
        return true;
    }

    bool fail() {
        std::lock_guard lock(mLock);
        mDead = true;
        mFailure = kDisplayLost;
        mChanged.notify_all();
        return false;
    }

    void run() {
        const int fd = wl_display_get_fd(mDisplay);
        for (;;) {
            if (!pumpOnce(fd, -1, true)) {
                return;
            }
            std::uint64_t count = 0;
            [[maybe_unused]] ssize_t ignored = ::read(mWake, &count, sizeof(count));
            for (;;) {
                std::unique_lock lock(mLock);
                if (mStop) {
                    return;
                }
                if (mTasks.empty()) {
                    break;
                }
                std::function<void()> task = std::move(mTasks.front());
                mTasks.pop_front();
                lock.unlock();
                task();
                lock.lock();
                ++mFinished;
                mChanged.notify_all();
            }
        }
    }

    static void handleGlobal(void* data, wl_registry* registry, std::uint32_t name,
                             const char* interface, std::uint32_t version) {
        auto* self = static_cast<WaylandSession*>(data);
        auto is = [&](const wl_interface& wanted) {
            return std::strcmp(interface, wanted.name) == 0;
        };
        auto bind = [&](const wl_interface& wanted, std::uint32_t highest) {
            return wl_registry_bind(registry, name, &wanted, std::min(version, highest));
        };
        if (is(wl_seat_interface) && self->mSeat == nullptr) {
            self->mSeat = static_cast<wl_seat*>(bind(wl_seat_interface, 1));
        } else if (is(wl_shm_interface)) {
            self->mShm = static_cast<wl_shm*>(bind(wl_shm_interface, 1));
        } else if (is(wl_output_interface)) {
            auto output = std::make_unique<Output>();
            output->proxy = static_cast<wl_output*>(bind(wl_output_interface, 1));
            wl_output_add_listener(output->proxy, &kOutputListener, output.get());
            if (self->mXdgOutputManager != nullptr) {
                self->describe(*output);
            }
            self->mOutputs.push_back(std::move(output));
        } else if (is(zxdg_output_manager_v1_interface)) {
            self->mXdgOutputManager =
                static_cast<zxdg_output_manager_v1*>(bind(zxdg_output_manager_v1_interface, 2));
            for (auto& output : self->mOutputs) {
                self->describe(*output);
            }
        } else if (is(zwp_virtual_keyboard_manager_v1_interface)) {
            self->mKeyboardManager = static_cast<zwp_virtual_keyboard_manager_v1*>(
                bind(zwp_virtual_keyboard_manager_v1_interface, 1));
        } else if (is(zwlr_foreign_toplevel_manager_v1_interface)) {
            self->mToplevelManager = static_cast<zwlr_foreign_toplevel_manager_v1*>(
                bind(zwlr_foreign_toplevel_manager_v1_interface, 1));
            zwlr_foreign_toplevel_manager_v1_add_listener(self->mToplevelManager,
                                                          &kToplevelManagerListener, self);
        } else if (is(zwlr_screencopy_manager_v1_interface)) {
            self->mScreencopy = static_cast<zwlr_screencopy_manager_v1*>(
                bind(zwlr_screencopy_manager_v1_interface, 1));
        }
    }
    static void handleGlobalRemove(void* data, wl_registry*, std::uint32_t) {
        // An output that goes away keeps its proxy until the session ends; its rectangle is
        // still asked for nothing worse than a black part of the picture.
        (void)data;
    }

    void describe(Output& output) {
        output.xdgOutput = zxdg_output_manager_v1_get_xdg_output(mXdgOutputManager, output.proxy);
        zxdg_output_v1_add_listener(output.xdgOutput, &kXdgOutputListener, &output);
    }

    static void handleOutputGeometry(void* data, wl_output*, std::int32_t x, std::int32_t y,
                                     std::int32_t, std::int32_t, std::int32_t, const char*,
                                     const char*, std::int32_t) {
        auto* output = static_cast<Output*>(data);
        if (output->xdgOutput == nullptr) {
            output->x = x;
            output->y = y;
        }
    }
    static void handleOutputMode(void* data, wl_output*, std::uint32_t flags, std::int32_t width,
                                 std::int32_t height, std::int32_t) {
        auto* output = static_cast<Output*>(data);
        if (output->xdgOutput == nullptr && (flags & WL_OUTPUT_MODE_CURRENT) != 0) {
            output->width = width;
            output->height = height;
        }
    }
    static void handleLogicalPosition(void* data, zxdg_output_v1*, std::int32_t x, std::int32_t y) {
        auto* output = static_cast<Output*>(data);
        output->x = x;
        output->y = y;
    }
    static void handleLogicalSize(void* data, zxdg_output_v1*, std::int32_t width,
                                  std::int32_t height) {
        auto* output = static_cast<Output*>(data);
        output->width = width;
        output->height = height;
    }
    static void handleXdgOutputDone(void*, zxdg_output_v1*) {}
    static void handleXdgOutputName(void*, zxdg_output_v1*, const char*) {}
    static void handleXdgOutputDescription(void*, zxdg_output_v1*, const char*) {}

    static void handleToplevel(void* data, zwlr_foreign_toplevel_manager_v1*,
                               zwlr_foreign_toplevel_handle_v1* proxy) {
        auto* self = static_cast<WaylandSession*>(data);
        auto toplevel = std::make_unique<Toplevel>();
        toplevel->id = ++self->mLastToplevelId;
        zwlr_foreign_toplevel_handle_v1_add_listener(proxy, &kToplevelListener, self);
        self->mToplevels[proxy] = std::move(toplevel);
    }
    static void handleManagerFinished(void*, zwlr_foreign_toplevel_manager_v1*) {}

    Toplevel* find(zwlr_foreign_toplevel_handle_v1* proxy) {
        auto found = mToplevels.find(proxy);
        return found == mToplevels.end() ? nullptr : found->second.get();
    }
    static void handleTitle(void* data, zwlr_foreign_toplevel_handle_v1* proxy, const char* title) {
        if (Toplevel* toplevel = static_cast<WaylandSession*>(data)->find(proxy)) {
            toplevel->title = title;
        }
    }
    static void handleAppId(void* data, zwlr_foreign_toplevel_handle_v1* proxy, const char* appId) {
        if (Toplevel* toplevel = static_cast<WaylandSession*>(data)->find(proxy)) {
            toplevel->appId = appId;
        }
    }
    static void handleOutputEnter(void* data, zwlr_foreign_toplevel_handle_v1* proxy,
                                  wl_output* output) {
        if (Toplevel* toplevel = static_cast<WaylandSession*>(data)->find(proxy)) {
            toplevel->outputs.insert(output);
        }
    }
    static void handleOutputLeave(void* data, zwlr_foreign_toplevel_handle_v1* proxy,
                                  wl_output* output) {
        if (Toplevel* toplevel = static_cast<WaylandSession*>(data)->find(proxy)) {
            toplevel->outputs.erase(output);
        }
    }
    static void handleState(void* data, zwlr_foreign_toplevel_handle_v1* proxy, wl_array* states) {
        Toplevel* toplevel = static_cast<WaylandSession*>(data)->find(proxy);
        if (toplevel == nullptr) {
            return;
        }
        toplevel->activated = false;
        const auto* entries = static_cast<const std::uint32_t*>(states->data);
        for (std::size_t i = 0; i < states->size / sizeof(std::uint32_t); ++i) {
            if (entries[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED) {
                toplevel->activated = true;
            }
        }
    }
    static void handleDone(void*, zwlr_foreign_toplevel_handle_v1*) {}
    static void handleClosed(void* data, zwlr_foreign_toplevel_handle_v1* proxy) {
        static_cast<WaylandSession*>(data)->mToplevels.erase(proxy);
        zwlr_foreign_toplevel_handle_v1_destroy(proxy);
    }
    static void handleParent(void*, zwlr_foreign_toplevel_handle_v1*,
                             zwlr_foreign_toplevel_handle_v1*) {}

    static void handleBuffer(void* data, zwlr_screencopy_frame_v1*, std::uint32_t format,
                             std::uint32_t width, std::uint32_t height, std::uint32_t stride) {
        auto* state = static_cast<FrameState*>(data);
        *state = FrameState{format, width, height, stride, true, state->yInvert, false, false};
    }
    static void handleFlags(void* data, zwlr_screencopy_frame_v1*, std::uint32_t flags) {
        static_cast<FrameState*>(data)->yInvert =
            (flags & ZWLR_SCREENCOPY_FRAME_V1_FLAGS_Y_INVERT) != 0;
    }
    static void handleReady(void* data, zwlr_screencopy_frame_v1*, std::uint32_t, std::uint32_t,
                            std::uint32_t) {
        static_cast<FrameState*>(data)->ready = true;
    }
    static void handleFailed(void* data, zwlr_screencopy_frame_v1*) {
        static_cast<FrameState*>(data)->failed = true;
    }
    static void handleDamage(void*, zwlr_screencopy_frame_v1*, std::uint32_t, std::uint32_t,
                             std::uint32_t, std::uint32_t) {}
    static void handleLinuxDmabuf(void*, zwlr_screencopy_frame_v1*, std::uint32_t, std::uint32_t,
                                  std::uint32_t) {}
    static void handleBufferDone(void*, zwlr_screencopy_frame_v1*) {}

    static void handleSyncDone(void* data, wl_callback* callback, std::uint32_t) {
        *static_cast<bool*>(data) = true;
        wl_callback_destroy(callback);
    }

    static constexpr wl_registry_listener kRegistryListener{handleGlobal, handleGlobalRemove};
    static constexpr wl_output_listener kOutputListener{handleOutputGeometry,
                                                        handleOutputMode,
                                                        [](void*, wl_output*) {},
                                                        [](void*, wl_output*, std::int32_t) {},
                                                        [](void*, wl_output*, const char*) {},
                                                        [](void*, wl_output*, const char*) {}};
    static constexpr zxdg_output_v1_listener kXdgOutputListener{
        handleLogicalPosition, handleLogicalSize, handleXdgOutputDone, handleXdgOutputName,
        handleXdgOutputDescription};
    static constexpr zwlr_foreign_toplevel_manager_v1_listener kToplevelManagerListener{
        handleToplevel, handleManagerFinished};
    static constexpr zwlr_foreign_toplevel_handle_v1_listener kToplevelListener{
        handleTitle, handleAppId, handleOutputEnter, handleOutputLeave,
        handleState, handleDone,  handleClosed,      handleParent};
    static constexpr zwlr_screencopy_frame_v1_listener kFrameListener{
        handleBuffer, handleFlags,       handleReady,     handleFailed,
        handleDamage, handleLinuxDmabuf, handleBufferDone};
    static constexpr wl_callback_listener kSyncListener{handleSyncDone};

    wl_display* mDisplay = nullptr;
    wl_registry* mRegistry = nullptr;
    wl_seat* mSeat = nullptr;
    wl_shm* mShm = nullptr;
    zxdg_output_manager_v1* mXdgOutputManager = nullptr;
    zwp_virtual_keyboard_manager_v1* mKeyboardManager = nullptr;
    zwlr_foreign_toplevel_manager_v1* mToplevelManager = nullptr;
    zwlr_screencopy_manager_v1* mScreencopy = nullptr;
    zwp_virtual_keyboard_v1* mKeyboard = nullptr;
    xkb_keymap* mKeymap = nullptr;
    std::uint32_t mControlMask = 0;
    Clock::time_point mKeyboardMade;
    std::vector<std::unique_ptr<Output>> mOutputs;
    std::map<zwlr_foreign_toplevel_handle_v1*, std::unique_ptr<Toplevel>> mToplevels;
    WindowHandle mLastToplevelId = 0;

    int mWake = -1;
    std::thread mThread;
    std::mutex mLock;
    std::condition_variable mChanged;
    std::deque<std::function<void()>> mTasks;
    std::uint64_t mPosted = 0;
    std::uint64_t mFinished = 0;
    bool mStop = false;
    bool mDead = false;
    std::string mFailure;
};

class WlrootsDesktop::Impl {
  public:
    Impl(std::string displayName, std::vector<std::string> ownAppIds)
        : mDisplayName(std::move(displayName)),
          mOwnAppIds(std::move(ownAppIds)),
          mClipboard(mDisplayName) {
        if (mOwnAppIds.empty()) {
            std::error_code ignored;
            const auto program = std::filesystem::read_symlink("/proc/self/exe", ignored);
            if (!program.empty()) {
                mOwnAppIds.push_back(program.filename().string());
            }
        }
        const char* sway = std::getenv("SWAYSOCK");
        mSwaySocket = sway ? sway : "";
    }

    // The live session, made anew when there is none or the compositor dropped it.
    WaylandSession* session(std::string& error) {
        std::string reason;
        if (!mSession || !mSession->usable(reason)) {
            mSession = std::make_unique<WaylandSession>(mDisplayName);
            if (!mSession->usable(error)) {
                mSession.reset();
                return nullptr;
            }
        }
        return mSession.get();
    }

    DesktopResult<FocusedWindow> focusedWindow() {
        std::lock_guard lock(mLock);
        std::string error;
        WaylandSession* live = session(error);
        if (live == nullptr) {
            return DesktopError(DesktopError::Kind::Unavailable, error);
        }
        std::optional<std::pair<WindowHandle, ToplevelView>> active;
        // The compositor's latest word on the activated window, not what was read before.
        const bool asked = live->run([&] {
            if (live->sync()) {
                active = live->activatedToplevel();
            }
        });
        if (!asked) {
            live->usable(error);
            return DesktopError(DesktopError::Kind::NoFocus, error);
        }
        if (!active) {
            return DesktopError(DesktopError::Kind::NoFocus, "");
        }
        const ToplevelView& view = active->second;
        if (std::find(mOwnAppIds.begin(), mOwnAppIds.end(), view.appId) != mOwnAppIds.end()) {
            return ownWindow();
        }
        FocusedWindow focused{active->first, std::nullopt};
        if (std::optional<SwayWindow> window = swayWindowOf(view)) {
            if (window->pid == ::getpid()) {
                return ownWindow();
            }
            // A Wayland client does not know where its window is: its "screen" is its window.
            if (std::optional<ScreenPoint> caret =
                    atspi::atspiCaretOf(static_cast<pid_t>(window->pid), kCaretBudget)) {
                focused.caret = Point{clampToInt32(caret->x), clampToInt32(caret->y)};
            }
        }
        return focused;
    }

    DesktopError paste(const std::string& text) {
        std::string error;
        {
            std::lock_guard lock(mLock);
            if (session(error) == nullptr) {
                return DesktopError(DesktopError::Kind::Unavailable, error);
            }
        }
        std::this_thread::sleep_until(mLastHandOver + kHandOverSettle);
        if (!mClipboard.setText(text, error)) {
            return DesktopError(DesktopError::Kind::Clipboard, error);
        }
        std::this_thread::sleep_for(kPastePause);
        const std::uint64_t before = mClipboard.deliveries();
        if (DesktopError failed = tap(KEY_V, true)) {
            return failed;
        }
        // The focused client reads the text from a pipe once it sees the paste keys, and may act
        // on an Enter or Tab sent meanwhile before the text is in; returning after the hand-over
        // keeps those keys behind the text. A window that does not paste costs the budget.
        if (mClipboard.waitForDelivery(before, kDeliveryBudget)) {
            mLastHandOver = Clock::now();
        }
        return {};
    }

    DesktopError tap(std::uint32_t code, bool withControl) {
        std::lock_guard lock(mLock);
        std::string error;
        WaylandSession* live = session(error);
        if (live == nullptr) {
            return DesktopError(DesktopError::Kind::Unavailable, error);
        }
        bool sent = false;
        if (!live->run([&] { sent = live->tapKey(code, withControl); }) || !sent) {
            if (live->usable(error)) {
                error = "[zwp_virtual_keyboard_v1.key]が失敗しました。コンポジターが応答しません。";
            }
            return DesktopError(DesktopError::Kind::Keys, error);
        }
        return {};
    }

    DesktopResult<ScreenPoint> clientToScreen(WindowHandle window, Point point) {
        std::lock_guard lock(mLock);
        std::string error;
        WaylandSession* live = session(error);
        if (live == nullptr) {
            return DesktopError(DesktopError::Kind::Unavailable, error);
        }
        std::optional<ToplevelView> view;
        std::optional<Output> fallback;
        const bool asked = live->run([&] {
            if (live->sync()) {
                view = live->toplevel(window);
                fallback = live->firstOutput();
            }
        });
        if (!asked) {
            live->usable(error);
            return DesktopError(DesktopError::Kind::Unavailable, error);
        }
        if (!view) {
            return DesktopError(DesktopError::Kind::WindowGone, "[ClientToScreen]が失敗しました。");
        }
        if (std::optional<SwayWindow> placed = swayWindowOf(*view)) {
            return ScreenPoint{placed->x + point.x, placed->y + point.y};
        }
        const std::optional<Output> output = view->output ? view->output : fallback;
        traceOutput("Wayland: the compositor does not tell where the window \"" + view->title +
                    "\" lies; the capture is centred on its output.");
        if (!output) {
            return ScreenPoint{0, 0};
        }
        return ScreenPoint{output->x + output->width / 2, output->y + output->height / 2};
    }

    void grab(const CaptureRect& rect, RgbImage& image) {
        std::lock_guard lock(mLock);
        std::string error;
        if (WaylandSession* live = session(error)) {
            live->run([&] { live->grab(rect, image); });
        }
    }

  private:
    DesktopError ownWindow() const {
        return DesktopError(DesktopError::Kind::OwnWindow,
                            "本プログラムがアクティブになっています。");
    }

    // The window sway's IPC lists for a toplevel: the same app id and title, the focused one
    // first when several match.
    std::optional<SwayWindow> swayWindowOf(const ToplevelView& view) {
        std::optional<std::vector<SwayWindow>> windows = askSwayWindows(mSwaySocket, kIpcBudget);
        if (!windows) {
            return std::nullopt;
        }
        std::optional<SwayWindow> found;
        for (const SwayWindow& window : *windows) {
            if (window.appId == view.appId && window.title == view.title &&
                (!found || window.focused)) {
                found = window;
            }
        }
        return found;
    }

    std::mutex mLock;
    std::string mDisplayName;
    std::vector<std::string> mOwnAppIds;
    std::string mSwaySocket;
    std::unique_ptr<WaylandSession> mSession;
    wayland::WaylandClipboardOwner mClipboard;
    // When the last text was handed over; only the desktop's caller (one at a time) touches it.
    Clock::time_point mLastHandOver{};
};

WlrootsDesktop::WlrootsDesktop(const std::string& displayName, std::vector<std::string> ownAppIds)
    : mImpl(std::make_unique<Impl>(displayName, std::move(ownAppIds))) {}

WlrootsDesktop::~WlrootsDesktop() = default;

DesktopResult<FocusedWindow> WlrootsDesktop::focusedWindow() {
    return mImpl->focusedWindow();
}

DesktopError WlrootsDesktop::pasteText(WindowHandle, const std::string& text) {
    return mImpl->paste(text);
}

DesktopError WlrootsDesktop::pressKey(WindowHandle, VirtualKey key) {
    return mImpl->tap(evdevCode(key), false);
}

DesktopResult<ScreenPoint> WlrootsDesktop::clientToScreen(WindowHandle window, Point point) {
    return mImpl->clientToScreen(window, point);
}

void WlrootsDesktop::grabScreen(const CaptureRect& rect, RgbImage& image) {
    mImpl->grab(rect, image);
}

std::vector<std::string> missingWlrootsProtocols(const std::string& displayName) {
    wl_display* display = wl_display_connect(displayName.empty() ? nullptr : displayName.c_str());
    if (display == nullptr) {
        return {"Wayland display"};
    }
    std::set<std::string> offered;
    wl_registry* registry = wl_display_get_registry(display);
    static constexpr wl_registry_listener kListener{
        [](void* data, wl_registry*, std::uint32_t, const char* interface, std::uint32_t) {
            static_cast<std::set<std::string>*>(data)->insert(interface);
        },
        [](void*, wl_registry*, std::uint32_t) {}};
    wl_registry_add_listener(registry, &kListener, &offered);
    const bool answered = wl_display_roundtrip(display) >= 0;
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    if (!answered) {
        return {"Wayland display"};
    }
    std::vector<std::string> missing;
    for (const wl_interface* needed :
         {&zwp_virtual_keyboard_manager_v1_interface, &zwlr_data_control_manager_v1_interface,
          &zwlr_foreign_toplevel_manager_v1_interface, &zwlr_screencopy_manager_v1_interface}) {
        if (offered.count(needed->name) == 0) {
            missing.push_back(needed->name);
        }
    }
    return missing;
}

DesktopError WlrootsDesktop::pasteTextRestoringClipboard(WindowHandle window,
                                                         const std::string& text) {
    return pasteText(window, text);
}

DesktopError WlrootsDesktop::typeText(WindowHandle, const std::string&, std::chrono::milliseconds) {
    return DesktopError(DesktopError::Kind::Unavailable,
                        "このデスクトップではキー入力での入力に対応していません。");
}

}  // namespace korvane
