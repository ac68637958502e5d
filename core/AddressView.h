#pragma once

#include <string>
#include <vector>

#include "core/LocalAddresses.h"

namespace korvane {

// What a front end shows of this PC's addresses while the core watches them
// (AppCore::watchAddresses). Called on the front end's thread (UiThread), never while the handler's
// log lock is held; an implementation must not call back into the core's log from here.
class AddressView {
  public:
    virtual ~AddressView() = default;
    // The addresses changed: the list to offer now, in its order. The address listened on, or
    // waited for, may be missing from it.
    virtual void addressesChanged(const std::vector<LocalAddress>& addresses) = 0;
    // The address listened on is gone: the server stops, and listening goes on by itself when it
    // comes back. A connection QR code shown now points nowhere. The core has logged why.
    virtual void listeningSuspended(const std::string& address) = 0;
    // Listening goes on, on `address` (the same as before, or the default route's new one, which
    // is now the selected address): the QR code and the selection are to be shown anew.
    virtual void listeningResumed(const std::string& address) = 0;
};

}  // namespace korvane
