#include "desktop/x11/XClipboardOwner.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include "desktop/x11/XClipboardReader.h"
#include "desktop/x11/XConnection.h"
#include "desktop/x11/XErrorTrap.h"
#include "desktop/x11/XPropertyWriter.h"

namespace korvane::x11 {
namespace {

// How long a caller waits for the selection to be taken.
constexpr auto kTakeTimeout = std::chrono::seconds(3);
// An owner that cannot say what it holds within this time loses it to the barcode for good.
constexpr auto kReadBudget = std::chrono::milliseconds(300);

// The text as ISO Latin-1, or nothing when it holds a character beyond U+00FF or is not UTF-8.
std::optional<std::string> toLatin1(const std::string& utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        if (byte < 0x80) {
            out.push_back(static_cast<char>(byte));
            continue;
        }
        // Only two-byte sequences C2 80 .. C3 BF stay within Latin-1.
        if ((byte != 0xC2 && byte != 0xC3) || i + 1 >= utf8.size()) {
            return std::nullopt;
        }
        const auto next = static_cast<unsigned char>(utf8[i + 1]);
        if ((next & 0xC0) != 0x80) {
            return std::nullopt;
        }
        out.push_back(static_cast<char>(((byte & 0x03) << 6) | (next & 0x3F)));
        ++i;
    }
    return out;
}

DesktopError clipboardError(const std::string& reason) {
    return DesktopError(DesktopError::Kind::Clipboard,
                        "クリップボード (" + reason + ") を開けません");
}

}  // namespace

class XClipboardOwner::Impl {
  public:
    explicit Impl(const std::string& displayName);
    ~Impl();
    DesktopError setText(const std::string& text);
    std::uint64_t deliveries();
    bool waitForDelivery(std::uint64_t after, std::chrono::milliseconds budget);

  private:
    struct Request {
        std::string text;
        std::optional<DesktopError> result;
    };
    void run();
    DesktopError connect();
    DesktopError take(const std::string& text);
    bool serverTime(Time& time);
    void dropLostConnection();
    void handle(const XEvent& event);
    void answer(const XSelectionRequestEvent& request);
    void noteDelivery();

    const std::string mDisplayName;
    int mWakeFd = -1;
    std::thread mThread;

    std::mutex mLock;
    std::condition_variable mDone;
    std::shared_ptr<Request> mPending;
    bool mStop = false;
    std::uint64_t mDeliveries = 0;

    // Used by the thread only.
    std::unique_ptr<XConnection> mConnection;
    Window mWindow = None;
    Time mOwnedSince = CurrentTime;
    std::shared_ptr<const std::string> mText;
    // Goes with mConnection.
    std::optional<XPropertyWriter> mWriter;
    struct Atoms {
        Atom clipboard, targets, timestamp, utf8, text, incr, stamp;
    } mAtoms{};
};

XClipboardOwner::Impl::Impl(const std::string& displayName)
    : mDisplayName(displayName), mWakeFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    mThread = std::thread([this] { run(); });
}

XClipboardOwner::Impl::~Impl() {
    {
        std::lock_guard lock(mLock);
        mStop = true;
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] auto written = ::write(mWakeFd, &one, sizeof one);
    mThread.join();
    ::close(mWakeFd);
}

DesktopError XClipboardOwner::Impl::setText(const std::string& text) {
    auto request = std::make_shared<Request>(Request{text, std::nullopt});
    const auto deadline = std::chrono::steady_clock::now() + kTakeTimeout;
    std::unique_lock lock(mLock);
    const bool posted = mDone.wait_until(lock, deadline, [this] { return mPending == nullptr; });
    if (posted) {
        mPending = request;
        const std::uint64_t one = 1;
        [[maybe_unused]] auto written = ::write(mWakeFd, &one, sizeof one);
    }
    if (!posted || !mDone.wait_until(lock, deadline, [&] { return request->result.has_value(); })) {
        if (mPending == request) {
            mPending.reset();
        }
        return clipboardError("X サーバーが応答しません");
    }
    return *request->result;
}

std::uint64_t XClipboardOwner::Impl::deliveries() {
    std::lock_guard lock(mLock);
    return mDeliveries;
}

bool XClipboardOwner::Impl::waitForDelivery(std::uint64_t after, std::chrono::milliseconds budget) {
    std::unique_lock lock(mLock);
    return mDone.wait_for(lock, budget, [&] { return mDeliveries > after; });
}

void XClipboardOwner::Impl::noteDelivery() {
    std::lock_guard lock(mLock);
    ++mDeliveries;
    mDone.notify_all();
}

void XClipboardOwner::Impl::run() {
    for (;;) {
        Display* display = mConnection ? mConnection->display() : nullptr;
        pollfd fds[2] = {{mWakeFd, POLLIN, 0},
                         {display != nullptr ? ConnectionNumber(display) : -1, POLLIN, 0}};
        // Events already read into Xlib's queue would not wake poll.
        if (display == nullptr || XPending(display) == 0) {
            ::poll(fds, 2, mWriter ? mWriter->pollTimeoutMs() : -1);
        }
        std::uint64_t count = 0;
        [[maybe_unused]] auto got = ::read(mWakeFd, &count, sizeof count);
        std::shared_ptr<Request> request;
        {
            std::lock_guard lock(mLock);
            if (mStop) {
                break;
            }
            request = std::exchange(mPending, nullptr);
            mDone.notify_all();
        }
        if (request) {
            DesktopError result = take(request->text);
            std::lock_guard lock(mLock);
            request->result = std::move(result);
            mDone.notify_all();
        }
        display = mConnection ? mConnection->display() : nullptr;
        while (display != nullptr && !mConnection->lost() && XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            handle(event);
        }
        dropLostConnection();
        if (mWriter) {
            mWriter->dropExpired();
        }
    }
    mWriter.reset();
    mConnection.reset();
}

// A connection whose server went away is closed, so that its socket does not wake poll for
// ever; the next text opens a new one.
void XClipboardOwner::Impl::dropLostConnection() {
    if (mConnection && mConnection->lost()) {
        mWriter.reset();
        mText.reset();
        mConnection.reset();
    }
}

DesktopError XClipboardOwner::Impl::connect() {
    if (mConnection && mConnection->display() != nullptr && !mConnection->lost()) {
        return {};
    }
    mWriter.reset();
    mText.reset();
    mConnection = std::make_unique<XConnection>(mDisplayName);
    Display* display = mConnection->display();
    if (display == nullptr) {
        return clipboardError(mConnection->failure());
    }
    XErrorTrap trap(display);
    mAtoms.clipboard = XInternAtom(display, "CLIPBOARD", False);
    mAtoms.targets = XInternAtom(display, "TARGETS", False);
    mAtoms.timestamp = XInternAtom(display, "TIMESTAMP", False);
    mAtoms.utf8 = XInternAtom(display, "UTF8_STRING", False);
    mAtoms.text = XInternAtom(display, "TEXT", False);
    mAtoms.incr = XInternAtom(display, "INCR", False);
    mAtoms.stamp = XInternAtom(display, "KORVANE_TIMESTAMP", False);
    XSetWindowAttributes attributes{};
    attributes.event_mask = PropertyChangeMask;
    mWindow = XCreateWindow(display, DefaultRootWindow(display), -10, -10, 1, 1, 0, 0, InputOnly,
                            CopyFromParent, CWEventMask, &attributes);
    if (trap.sync() != 0) {
        mConnection.reset();
        return clipboardError("選択の所有者ウィンドウを作成できません");
    }
    mWriter.emplace(display, mAtoms.incr);
    return {};
}

DesktopError XClipboardOwner::Impl::take(const std::string& text) {
    if (DesktopError failed = connect()) {
        return failed;
    }
    Display* display = mConnection->display();
    Time time = CurrentTime;
    if (!serverTime(time)) {
        const std::string reason =
            mConnection->lost() ? mConnection->failure() : "X サーバーが応答しません";
        return clipboardError(reason);
    }
    XErrorTrap trap(display);
    XSetSelectionOwner(display, mAtoms.clipboard, mWindow, time);
    if (XGetSelectionOwner(display, mAtoms.clipboard) != mWindow) {
        return clipboardError("CLIPBOARD の所有権を得られません");
    }
    mText = std::make_shared<const std::string>(text);
    mOwnedSince = time;
    return {};
}

// Taking a selection needs a real server time; appending nothing to a property of our own window
// makes the server report one. Requests that arrive meanwhile are served as usual.
bool XClipboardOwner::Impl::serverTime(Time& time) {
    Display* display = mConnection->display();
    {
        XErrorTrap trap(display);
        XChangeProperty(display, mWindow, mAtoms.stamp, XA_STRING, 8, PropModeAppend, nullptr, 0);
    }
    const auto deadline = std::chrono::steady_clock::now() + kTakeTimeout;
    for (;;) {
        while (!mConnection->lost() && XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == PropertyNotify && event.xproperty.window == mWindow &&
                event.xproperty.atom == mAtoms.stamp) {
                time = event.xproperty.time;
                return true;
            }
            handle(event);
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (mConnection->lost() || left.count() <= 0) {
            return false;
        }
        pollfd fd{ConnectionNumber(display), POLLIN, 0};
        ::poll(&fd, 1, static_cast<int>(left.count()) + 1);
    }
}

void XClipboardOwner::Impl::handle(const XEvent& event) {
    switch (event.type) {
        case SelectionRequest:
            answer(event.xselectionrequest);
            break;
        case SelectionClear:
            if (event.xselectionclear.selection == mAtoms.clipboard &&
                event.xselectionclear.window == mWindow) {
                mText.reset();
            }
            break;
        case PropertyNotify:
            if (event.xproperty.state == PropertyDelete) {
                if (mWriter->continueTransfer(event.xproperty)) {
                    noteDelivery();
                }
            }
            break;
        default:
            break;
    }
}

void XClipboardOwner::Impl::answer(const XSelectionRequestEvent& request) {
    Display* display = mConnection->display();
    XSelectionEvent reply{};
    reply.type = SelectionNotify;
    reply.display = display;
    reply.requestor = request.requestor;
    reply.selection = request.selection;
    reply.target = request.target;
    reply.property = None;
    reply.time = request.time;
    // Clients from before ICCCM name no property: the target's name is used instead.
    const Atom property = request.property != None ? request.property : request.target;
    const bool current = request.time == CurrentTime || request.time >= mOwnedSince;
    const bool textTarget = request.target == mAtoms.utf8 || request.target == XA_STRING ||
                            request.target == mAtoms.text;
    bool served = false;
    if (mText && request.selection == mAtoms.clipboard && request.owner == mWindow && current) {
        if (request.target == mAtoms.targets) {
            const Atom targets[] = {mAtoms.targets, mAtoms.timestamp, mAtoms.utf8, XA_STRING,
                                    mAtoms.text};
            std::string bytes(reinterpret_cast<const char*>(targets), sizeof targets);
            served = mWriter->put(request.requestor, property, XA_ATOM,
                                  std::make_shared<const std::string>(std::move(bytes)));
        } else if (request.target == mAtoms.timestamp) {
            const long time = static_cast<long>(mOwnedSince);
            std::string bytes(reinterpret_cast<const char*>(&time), sizeof time);
            served = mWriter->put(request.requestor, property, XA_INTEGER,
                                  std::make_shared<const std::string>(std::move(bytes)));
        } else if (request.target == mAtoms.utf8) {
            served = mWriter->put(request.requestor, property, mAtoms.utf8, mText);
        } else if (request.target == XA_STRING || request.target == mAtoms.text) {
            if (std::optional<std::string> latin1 = toLatin1(*mText)) {
                served = mWriter->put(request.requestor, property, XA_STRING,
                                      std::make_shared<const std::string>(std::move(*latin1)));
            } else if (request.target == mAtoms.text) {
                served = mWriter->put(request.requestor, property, mAtoms.utf8, mText);
            }
        }
        if (served) {
            reply.property = property;
        }
    }
    {
        XErrorTrap trap(display);
        XSendEvent(display, request.requestor, False, NoEventMask,
                   reinterpret_cast<XEvent*>(&reply));
        served = trap.sync() == 0 && served;
    }
    // The server has queued the notice, so a key sent from now on reaches the client after it.
    // A large text counts once its last piece has gone.
    if (served && textTarget && !mWriter->sending(request.requestor, property)) {
        noteDelivery();
    }
}

XClipboardOwner::XClipboardOwner(const std::string& displayName)
    : mDisplayName(displayName), mImpl(std::make_unique<Impl>(displayName)) {}

XClipboardOwner::~XClipboardOwner() = default;

std::optional<std::string> XClipboardOwner::text() {
    return readClipboardText(mDisplayName, kReadBudget);
}

DesktopError XClipboardOwner::setText(const std::string& text) {
    return mImpl->setText(text);
}

std::uint64_t XClipboardOwner::deliveries() {
    return mImpl->deliveries();
}

bool XClipboardOwner::waitForDelivery(std::uint64_t after, std::chrono::milliseconds budget) {
    return mImpl->waitForDelivery(after, budget);
}

}  // namespace korvane::x11
