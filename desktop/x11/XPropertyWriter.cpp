#include "desktop/x11/XPropertyWriter.h"

#include <X11/Xatom.h>

#include <algorithm>
#include <climits>

#include "desktop/x11/XErrorTrap.h"

namespace korvane::x11 {
namespace {

// How long a client that reads a large text piece by piece may pause before the transfer is
// given up.
constexpr auto kTransferIdle = std::chrono::seconds(5);

}  // namespace

XPropertyWriter::XPropertyWriter(Display* display, Atom incr) : mDisplay(display), mIncr(incr) {}

bool XPropertyWriter::sending(Window requestor, Atom property) const {
    return mTransfers.contains({requestor, property});
}

// Atom lists and integers go as format 32, which Xlib takes as an array of longs.
bool XPropertyWriter::put(Window requestor, Atom property, Atom type,
                          std::shared_ptr<const std::string> data) {
    Display* display = mDisplay;
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
    XChangeProperty(display, requestor, property, mIncr, 32, PropModeReplace,
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
bool XPropertyWriter::continueTransfer(const XPropertyEvent& event) {
    auto it = mTransfers.find({event.window, event.atom});
    if (it == mTransfers.end()) {
        return false;
    }
    Display* display = mDisplay;
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
        return delivered;
    }
    transfer.sent += piece;
    transfer.deadline = std::chrono::steady_clock::now() + kTransferIdle;
    return false;
}

void XPropertyWriter::endTransfer(std::map<TransferKey, Transfer>::iterator it) {
    const Window requestor = it->first.first;
    mTransfers.erase(it);
    const bool stillReading =
        std::any_of(mTransfers.begin(), mTransfers.end(),
                    [&](const auto& entry) { return entry.first.first == requestor; });
    if (!stillReading) {
        XErrorTrap trap(mDisplay);
        XSelectInput(mDisplay, requestor, NoEventMask);
    }
}

int XPropertyWriter::pollTimeoutMs() const {
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

void XPropertyWriter::dropExpired() {
    const auto now = std::chrono::steady_clock::now();
    for (auto it = mTransfers.begin(); it != mTransfers.end();) {
        auto next = std::next(it);
        if (it->second.deadline <= now) {
            endTransfer(it);
        }
        it = next;
    }
}

}  // namespace korvane::x11
