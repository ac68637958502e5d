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

namespace korvane::x11 {
namespace {

// How long a caller waits for the selection to be taken, and how long a client that reads a
// large text piece by piece may pause before the transfer is given up.
constexpr auto kTakeTimeout = std::chrono::seconds(3);
constexpr auto kTransferIdle = std::chrono::seconds(5);
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
    // A text too large for one request, going out piece by piece.
    struct Transfer {
        Atom type = None;
        std::shared_ptr<const std::string> data;
        std::size_t sent = 0;
        std::chrono::steady_clock::time_point deadline;
    };
    using TransferKey = std::pair<Window, Atom>;

    void run();
    DesktopError connect();
    DesktopError take(const std::string& text);
    bool serverTime(Time& time);
    void dropLostConnection();
    void handle(const XEvent& event);
    void answer(const XSelectionRequestEvent& request);
    bool putProperty(Window requestor, Atom property, Atom type,
                     std::shared_ptr<const std::string> data);
    void continueTransfer(const XPropertyEvent& event);
    void endTransfer(std::map<TransferKey, Transfer>::iterator it);
    int pollTimeoutMs() const;
    void dropExpiredTransfers();
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
    std::map<TransferKey, Transfer> mTransfers;
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
            ::poll(fds, 2, pollTimeoutMs());
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
        dropExpiredTransfers();
    }
    mTransfers.clear();
    mConnection.reset();
}

// A connection whose server went away is closed, so that its socket does not wake poll for
// ever; the next text opens a new one.
void XClipboardOwner::Impl::dropLostConnection() {
    if (mConnection && mConnection->lost()) {
        mTransfers.clear();
        mText.reset();
        mConnection.reset();
    }
}

DesktopError XClipboardOwner::Impl::connect() {
    if (mConnection && mConnection->display() != nullptr && !mConnection->lost()) {
        return {};
    }
    mTransfers.clear();
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
                continueTransfer(event.xproperty);
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
            served = putProperty(request.requestor, property, XA_ATOM,
                                 std::make_shared<const std::string>(std::move(bytes)));
        } else if (request.target == mAtoms.timestamp) {
            const long time = static_cast<long>(mOwnedSince);
            std::string bytes(reinterpret_cast<const char*>(&time), sizeof time);
            served = putProperty(request.requestor, property, XA_INTEGER,
                                 std::make_shared<const std::string>(std::move(bytes)));
        } else if (request.target == mAtoms.utf8) {
            served = putProperty(request.requestor, property, mAtoms.utf8, mText);
        } else if (request.target == XA_STRING || request.target == mAtoms.text) {
            if (std::optional<std::string> latin1 = toLatin1(*mText)) {
                served = putProperty(request.requestor, property, XA_STRING,
                                     std::make_shared<const std::string>(std::move(*latin1)));
            } else if (request.target == mAtoms.text) {
                served = putProperty(request.requestor, property, mAtoms.utf8, mText);
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
    if (served && textTarget && !mTransfers.contains({request.requestor, property})) {
        noteDelivery();
    }
}

// Atom lists and integers go as format 32, which Xlib takes as an array of longs.
bool XClipboardOwner::Impl::putProperty(Window requestor, Atom property, Atom type,
                                        std::shared_ptr<const std::string> data) {
    Display* display = mConnection->display();
    const bool longs = type == XA_ATOM || type == XA_INTEGER;
    const int format = longs ? 32 : 8;
    const std::size_t items = longs ? data->size() / sizeof(long) : data->size();
    const std::size_t limit = static_cast<std::size_t>(XMaxRequestSize(display)) * 4 - 100;
    XErrorTrap trap(display);
    if (data->size() <= limit) {
        XChangeProperty(display, requestor, property, type, format, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(data->data()),
                        static_cast<int>(items));
        return trap.sync() == 0;
    }
    const long size = static_cast<long>(data->size());
    XSelectInput(display, requestor, PropertyChangeMask);
    XChangeProperty(display, requestor, property, mAtoms.incr, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&size), 1);
    if (trap.sync() != 0) {
        return false;
    }
    mTransfers[{requestor, property}] =
        Transfer{type, std::move(data), 0, std::chrono::steady_clock::now() + kTransferIdle};
    return true;
}

// The client deletes the property each time it has read a piece: the next piece follows, and
// after the last one a piece of length zero ends the transfer.
void XClipboardOwner::Impl::continueTransfer(const XPropertyEvent& event) {
    auto it = mTransfers.find({event.window, event.atom});
    if (it == mTransfers.end()) {
        return;
    }
    Display* display = mConnection->display();
    Transfer& transfer = it->second;
    const std::size_t limit = static_cast<std::size_t>(XMaxRequestSize(display)) * 4 - 100;
    const std::size_t piece = std::min(limit, transfer.data->size() - transfer.sent);
    bool failed = false;
    {
        XErrorTrap trap(display);
        XChangeProperty(
            display, event.window, event.atom, transfer.type, 8, PropModeReplace,
            reinterpret_cast<const unsigned char*>(transfer.data->data() + transfer.sent),
            static_cast<int>(piece));
        failed = trap.sync() != 0;
    }
    if (failed || piece == 0) {
        const bool delivered = !failed && transfer.type != XA_ATOM && transfer.type != XA_INTEGER;
        endTransfer(it);
        if (delivered) {
            noteDelivery();
        }
        return;
    }
    transfer.sent += piece;
    transfer.deadline = std::chrono::steady_clock::now() + kTransferIdle;
}

void XClipboardOwner::Impl::endTransfer(std::map<TransferKey, Transfer>::iterator it) {
    const Window requestor = it->first.first;
    mTransfers.erase(it);
    const bool stillReading =
        std::any_of(mTransfers.begin(), mTransfers.end(),
                    [&](const auto& entry) { return entry.first.first == requestor; });
    if (!stillReading) {
        XErrorTrap trap(mConnection->display());
        XSelectInput(mConnection->display(), requestor, NoEventMask);
    }
}

int XClipboardOwner::Impl::pollTimeoutMs() const {
    if (mTransfers.empty()) {
        return -1;
    }
    auto next = std::min_element(mTransfers.begin(), mTransfers.end(), [](auto& a, auto& b) {
                    return a.second.deadline < b.second.deadline;
                })->second.deadline;
    auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(
                    next - std::chrono::steady_clock::now())
                    .count();
    return static_cast<int>(std::clamp<long long>(wait + 1, 0, INT_MAX));
}

void XClipboardOwner::Impl::dropExpiredTransfers() {
    const auto now = std::chrono::steady_clock::now();
    for (auto it = mTransfers.begin(); it != mTransfers.end();) {
        auto next = std::next(it);
        if (it->second.deadline <= now) {
            endTransfer(it);
        }
        it = next;
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
