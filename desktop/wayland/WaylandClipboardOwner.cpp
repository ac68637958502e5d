#include "desktop/wayland/WaylandClipboardOwner.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "desktop/wayland/PipeWrite.h"
#include "desktop/wayland/WaylandClipboardReader.h"
#include "protocols/wlr-data-control-unstable-v1-client-protocol.h"

namespace korvane::wayland {

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kMimeTypes[] = {"text/plain;charset=utf-8", "UTF8_STRING", "text/plain",
                                      "TEXT", "STRING"};
// How long the compositor has to take the new selection.
constexpr std::chrono::milliseconds kSetBudget{2000};
// How long a handed-over text stays on the clipboard before the next one replaces it. A GTK client
// finishes its read only when it sees the end of the pipe, after the last byte; a selection change
// before that cancels the paste, and the client then pastes the new text in its place.
constexpr std::chrono::milliseconds kHandOverSettle{150};

DesktopError clipboardError(const std::string& reason) {
    return DesktopError(DesktopError::Kind::Clipboard,
                        "クリップボード (" + reason + ") を開けません");
}

}  // namespace

// One connection to the compositor and the thread that serves it. Once the connection fails the
// session is dead for good and the owner makes a new one.
class ClipboardSession {
  public:
    explicit ClipboardSession(const std::string& displayName) {
        mDisplay = wl_display_connect(displayName.empty() ? nullptr : displayName.c_str());
        if (mDisplay == nullptr) {
            mFailure = "Wayland ディスプレイに接続できません";
            return;
        }
        mRegistry = wl_display_get_registry(mDisplay);
        wl_registry_add_listener(mRegistry, &kRegistryListener, this);
        if (wl_display_roundtrip(mDisplay) < 0) {
            mFailure = "Wayland ディスプレイが応答しません";
            return;
        }
        if (mManager == nullptr || mSeat == nullptr) {
            mFailure = "コンポジターにクリップボード制御 (wlr data control) がありません";
            return;
        }
        mDevice = zwlr_data_control_manager_v1_get_data_device(mManager, mSeat);
        zwlr_data_control_device_v1_add_listener(mDevice, &kDeviceListener, this);
        mWake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (mWake < 0) {
            mFailure = std::strerror(errno);
            return;
        }
        mThread = std::thread([this] { run(); });
    }

    ~ClipboardSession() {
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
        if (mDisplay == nullptr) {
            return;
        }
        // The compositor drops every object of a closed connection; the client library leaves
        // the proxies to their owner.
        for (Source* source : mSources) {
            zwlr_data_control_source_v1_destroy(source->proxy);
            delete source;
        }
        for (const auto& [callback, job] : mSyncs) {
            wl_callback_destroy(callback);
        }
        if (mDevice != nullptr) {
            zwlr_data_control_device_v1_destroy(mDevice);
        }
        if (mManager != nullptr) {
            zwlr_data_control_manager_v1_destroy(mManager);
        }
        if (mSeat != nullptr) {
            wl_seat_destroy(mSeat);
        }
        if (mRegistry != nullptr) {
            wl_registry_destroy(mRegistry);
        }
        wl_display_disconnect(mDisplay);
    }

    // Why the session cannot serve (any more); nothing while it can.
    std::optional<std::string> failure() {
        std::lock_guard lock(mLock);
        if (!mThread.joinable() || mDead) {
            return mFailure.empty() ? "Wayland ディスプレイとの接続が切れました" : mFailure;
        }
        return std::nullopt;
    }

    DesktopError setText(const std::string& text) {
        std::unique_lock lock(mLock);
        const std::uint64_t job = ++mRequested;
        mPendingText = text;
        lock.unlock();
        wake();
        lock.lock();
        const bool done =
            mChanged.wait_for(lock, kSetBudget, [&] { return mConfirmed >= job || mDead; });
        if (mDead) {
            return clipboardError(mFailure);
        }
        if (!done) {
            return clipboardError("コンポジターが応答しません");
        }
        return {};
    }

    std::uint64_t deliveries() {
        std::lock_guard lock(mLock);
        return mDeliveries;
    }

    bool waitForDelivery(std::uint64_t after, std::chrono::milliseconds budget) {
        std::unique_lock lock(mLock);
        return mChanged.wait_for(lock, budget, [&] { return mDeliveries > after || mDead; }) &&
               mDeliveries > after;
    }

  private:
    // A selection offered to the compositor; it serves its own text until it is cancelled.
    struct Source {
        ClipboardSession* session;
        zwlr_data_control_source_v1* proxy;
        std::string text;
    };

    void wake() {
        const std::uint64_t one = 1;
        [[maybe_unused]] ssize_t ignored = ::write(mWake, &one, sizeof(one));
    }

    void run() {
        // A reader that closes its pipe early must not end the program.
        sigset_t pipe;
        sigemptyset(&pipe);
        sigaddset(&pipe, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
        const int displayFd = wl_display_get_fd(mDisplay);
        for (;;) {
            while (wl_display_prepare_read(mDisplay) != 0) {
                wl_display_dispatch_pending(mDisplay);
            }
            wl_display_flush(mDisplay);
            pollfd fds[2] = {{displayFd, POLLIN, 0}, {mWake, POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0 && errno != EINTR) {
                wl_display_cancel_read(mDisplay);
                fail("poll");
                return;
            }
            if ((fds[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
                if (wl_display_read_events(mDisplay) < 0) {
                    fail("Wayland ディスプレイとの接続が切れました");
                    return;
                }
            } else {
                wl_display_cancel_read(mDisplay);
            }
            if (wl_display_dispatch_pending(mDisplay) < 0) {
                fail("Wayland ディスプレイとの接続が切れました");
                return;
            }
            if ((fds[1].revents & POLLIN) != 0) {
                std::uint64_t count = 0;
                [[maybe_unused]] ssize_t ignored = ::read(mWake, &count, sizeof(count));
                std::unique_lock lock(mLock);
                if (mStop) {
                    return;
                }
                if (mTaken < mRequested) {
                    mTaken = mRequested;
                    std::string text = std::move(mPendingText);
                    lock.unlock();
                    offer(std::move(text), mTaken);
                }
            }
        }
    }

    void fail(const std::string& reason) {
        std::lock_guard lock(mLock);
        mDead = true;
        mFailure = reason;
        mChanged.notify_all();
    }

    void offer(std::string text, std::uint64_t job) {
        auto* source = new Source{this, zwlr_data_control_manager_v1_create_data_source(mManager),
                                  std::move(text)};
        mSources.insert(source);
        zwlr_data_control_source_v1_add_listener(source->proxy, &kSourceListener, source);
        for (const char* type : kMimeTypes) {
            zwlr_data_control_source_v1_offer(source->proxy, type);
        }
        zwlr_data_control_device_v1_set_selection(mDevice, source->proxy);
        // The compositor handles requests in order: once this sync is answered it holds the new
        // selection, and every client asks the new source from then on.
        wl_callback* done = wl_display_sync(mDisplay);
        mSyncs[done] = job;
        wl_callback_add_listener(done, &kSyncListener, this);
    }

    static void handleGlobal(void* data, wl_registry* registry, std::uint32_t name,
                             const char* interface, std::uint32_t version) {
        auto* self = static_cast<ClipboardSession*>(data);
        if (std::strcmp(interface, wl_seat_interface.name) == 0 && self->mSeat == nullptr) {
            self->mSeat =
                static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
        } else if (std::strcmp(interface, zwlr_data_control_manager_v1_interface.name) == 0) {
            (void)version;
            self->mManager = static_cast<zwlr_data_control_manager_v1*>(
                wl_registry_bind(registry, name, &zwlr_data_control_manager_v1_interface, 1));
        }
    }
    static void handleGlobalRemove(void*, wl_registry*, std::uint32_t) {}

    // What others put on the clipboard is not read here: each offer is let go at once.
    static void handleDataOffer(void*, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1*) {}
    static void handleSelection(void*, zwlr_data_control_device_v1*,
                                zwlr_data_control_offer_v1* offer) {
        if (offer != nullptr) {
            zwlr_data_control_offer_v1_destroy(offer);
        }
    }
    static void handleFinished(void* data, zwlr_data_control_device_v1*) {
        static_cast<ClipboardSession*>(data)->fail("クリップボード制御が終了しました");
    }
    static void handlePrimarySelection(void* data, zwlr_data_control_device_v1* device,
                                       zwlr_data_control_offer_v1* offer) {
        handleSelection(data, device, offer);
    }

    static void handleSend(void* data, zwlr_data_control_source_v1*, const char*, std::int32_t fd) {
        auto* source = static_cast<Source*>(data);
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        const bool whole = writeToReader(fd, source->text);
        ::close(fd);
        if (whole) {
            ClipboardSession* self = source->session;
            std::lock_guard lock(self->mLock);
            ++self->mDeliveries;
            self->mChanged.notify_all();
        }
    }
    static void handleCancelled(void* data, zwlr_data_control_source_v1* proxy) {
        auto* source = static_cast<Source*>(data);
        source->session->mSources.erase(source);
        zwlr_data_control_source_v1_destroy(proxy);
        delete source;
    }

    static void handleSyncDone(void* data, wl_callback* callback, std::uint32_t) {
        auto* self = static_cast<ClipboardSession*>(data);
        const std::uint64_t job = self->mSyncs[callback];
        self->mSyncs.erase(callback);
        wl_callback_destroy(callback);
        std::lock_guard lock(self->mLock);
        self->mConfirmed = std::max(self->mConfirmed, job);
        self->mChanged.notify_all();
    }

    static constexpr wl_registry_listener kRegistryListener{handleGlobal, handleGlobalRemove};
    static constexpr zwlr_data_control_device_v1_listener kDeviceListener{
        handleDataOffer, handleSelection, handleFinished, handlePrimarySelection};
    static constexpr zwlr_data_control_source_v1_listener kSourceListener{handleSend,
                                                                          handleCancelled};
    static constexpr wl_callback_listener kSyncListener{handleSyncDone};

    wl_display* mDisplay = nullptr;
    wl_registry* mRegistry = nullptr;
    wl_seat* mSeat = nullptr;
    zwlr_data_control_manager_v1* mManager = nullptr;
    zwlr_data_control_device_v1* mDevice = nullptr;
    int mWake = -1;
    std::thread mThread;
    // Touched by the serving thread only (and by the destructor once it has ended).
    std::set<Source*> mSources;
    std::map<wl_callback*, std::uint64_t> mSyncs;

    std::mutex mLock;
    std::condition_variable mChanged;
    bool mStop = false;
    bool mDead = false;
    std::string mFailure;
    std::string mPendingText;
    std::uint64_t mRequested = 0;
    std::uint64_t mTaken = 0;
    std::uint64_t mConfirmed = 0;
    std::uint64_t mDeliveries = 0;
};

class WaylandClipboardOwner::Impl {
  public:
    Impl(std::string displayName, std::chrono::milliseconds readBudget)
        : mDisplayName(std::move(displayName)), mReadBudget(readBudget) {}

    std::mutex lock;
    std::string mDisplayName;
    std::chrono::milliseconds mReadBudget;
    std::unique_ptr<ClipboardSession> session;
    // Kept across sessions, so that a count taken before a reconnection still compares.
    std::uint64_t deliveriesBefore = 0;
    // When a window last took a text.
    Clock::time_point lastHandOver{};
};

WaylandClipboardOwner::WaylandClipboardOwner(const std::string& displayName,
                                             std::chrono::milliseconds readBudget)
    : mImpl(std::make_unique<Impl>(displayName, readBudget)) {}

WaylandClipboardOwner::~WaylandClipboardOwner() = default;

std::optional<std::string> WaylandClipboardOwner::text() {
    return readClipboardText(mImpl->mDisplayName, mImpl->mReadBudget);
}

DesktopError WaylandClipboardOwner::setText(const std::string& text) {
    std::unique_lock lock(mImpl->lock);
    const Clock::time_point settled = mImpl->lastHandOver + kHandOverSettle;
    lock.unlock();
    std::this_thread::sleep_until(settled);
    lock.lock();
    if (!mImpl->session || mImpl->session->failure()) {
        if (mImpl->session) {
            mImpl->deliveriesBefore += mImpl->session->deliveries();
        }
        mImpl->session = std::make_unique<ClipboardSession>(mImpl->mDisplayName);
        if (std::optional<std::string> reason = mImpl->session->failure()) {
            mImpl->session.reset();
            return clipboardError(*reason);
        }
    }
    return mImpl->session->setText(text);
}

std::uint64_t WaylandClipboardOwner::deliveries() {
    std::lock_guard lock(mImpl->lock);
    return mImpl->deliveriesBefore + (mImpl->session ? mImpl->session->deliveries() : 0);
}

bool WaylandClipboardOwner::waitForDelivery(std::uint64_t after, std::chrono::milliseconds budget) {
    std::unique_lock lock(mImpl->lock);
    if (!mImpl->session) {
        return false;
    }
    const std::uint64_t base = mImpl->deliveriesBefore;
    if (after < base) {
        return true;
    }
    if (!mImpl->session->waitForDelivery(after - base, budget)) {
        return false;
    }
    mImpl->lastHandOver = Clock::now();
    return true;
}

}  // namespace korvane::wayland
