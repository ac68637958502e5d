#pragma once

#include <X11/Xlib.h>

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <utility>

namespace korvane::x11 {

// Writes the answers of a selection owner into the properties its requestors name: whole when the
// data fits one request, piece by piece by the INCR protocol otherwise. A piece follows each time
// the requestor deletes the property (a PropertyDelete event handed to continueTransfer); a
// requestor that pauses more than five seconds loses its transfer.
//
// Belongs to one connection and the thread that reads its events; made anew with a new
// connection.
class XPropertyWriter {
  public:
    // `incr` is the INCR atom of `display`.
    XPropertyWriter(Display* display, Atom incr);

    // Writes `data` as `type` into `property` of `requestor` (atom lists and integers as format
    // 32, an array of longs, the rest as bytes), or starts its transfer; false when the server
    // refused.
    bool put(Window requestor, Atom property, Atom type, std::shared_ptr<const std::string> data);
    // Whether a transfer into `property` of `requestor` is under way.
    bool sending(Window requestor, Atom property) const;
    // The next piece of the transfer the deleted property belongs to, if any; true when that ended
    // a transfer of text whole.
    bool continueTransfer(const XPropertyEvent& event);
    // How long poll may wait before the next transfer runs out of time; -1 when none is under way.
    int pollTimeoutMs() const;
    // Gives up the transfers whose requestors paused too long.
    void dropExpired();

  private:
    // A text too large for one request, going out piece by piece.
    struct Transfer {
        Atom type = None;
        std::shared_ptr<const std::string> data;
        std::size_t sent = 0;
        std::chrono::steady_clock::time_point deadline;
    };
    using TransferKey = std::pair<Window, Atom>;

    void endTransfer(std::map<TransferKey, Transfer>::iterator it);

    Display* mDisplay;
    Atom mIncr;
    std::map<TransferKey, Transfer> mTransfers;
};

}  // namespace korvane::x11
