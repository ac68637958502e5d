#include "platform/AddressWatch.h"

// In this order: the IP helper headers need the socket types first.
#include <winsock2.h>
#include <ws2tcpip.h>
// (a block of its own, so that sorting keeps the order)
#include <iphlpapi.h>
#include <netioapi.h>

#include <atomic>
#include <system_error>
#include <thread>

namespace korvane {
namespace {

// A stream of changes is told at least this many quiet periods after its first.
constexpr int kLongestBurst = 4;

// The IP helper calls these on threads of its own; they only raise the watch's event.
void CALLBACK addressChanged(PVOID context, PMIB_UNICASTIPADDRESS_ROW, MIB_NOTIFICATION_TYPE) {
    ::SetEvent(static_cast<HANDLE>(context));
}

void CALLBACK interfaceChanged(PVOID context, PMIB_IPINTERFACE_ROW, MIB_NOTIFICATION_TYPE) {
    ::SetEvent(static_cast<HANDLE>(context));
}

void CALLBACK routeChanged(PVOID context, PMIB_IPFORWARD_ROW2, MIB_NOTIFICATION_TYPE) {
    ::SetEvent(static_cast<HANDLE>(context));
}

std::string failureText(const char* what, DWORD code) {
    return std::string(what) + ": " + std::system_category().message(static_cast<int>(code));
}

}  // namespace

struct AddressWatch::State {
    // Auto-reset: raised by the notifications and by poke, lowered by the wait that sees it.
    HANDLE change = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HANDLE stop = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE addressNotice = nullptr;
    HANDLE interfaceNotice = nullptr;
    HANDLE routeNotice = nullptr;
    std::thread thread;

    ~State() {
        // Each cancel waits for a callback under way, so none raises a closed event.
        for (HANDLE notice : {addressNotice, interfaceNotice, routeNotice}) {
            if (notice != nullptr) {
                ::CancelMibChangeNotify2(notice);
            }
        }
        for (HANDLE event : {change, stop}) {
            if (event != nullptr) {
                ::CloseHandle(event);
            }
        }
    }

    std::string subscribe() {
        if (change == nullptr || stop == nullptr) {
            return failureText("CreateEvent", ::GetLastError());
        }
        if (DWORD code = ::NotifyUnicastIpAddressChange(AF_INET, addressChanged, change, FALSE,
                                                        &addressNotice);
            code != NO_ERROR) {
            return failureText("NotifyUnicastIpAddressChange", code);
        }
        if (DWORD code = ::NotifyIpInterfaceChange(AF_INET, interfaceChanged, change, FALSE,
                                                   &interfaceNotice);
            code != NO_ERROR) {
            return failureText("NotifyIpInterfaceChange", code);
        }
        if (DWORD code = ::NotifyRouteChange2(AF_INET, routeChanged, change, FALSE, &routeNotice);
            code != NO_ERROR) {
            return failureText("NotifyRouteChange2", code);
        }
        return {};
    }

    // Waits at most `timeout`; true when a change or a poke came before it and no stop.
    bool waitForChange(DWORD timeout) const {
        const HANDLE events[2] = {stop, change};
        return ::WaitForMultipleObjects(2, events, FALSE, timeout) == WAIT_OBJECT_0 + 1;
    }

    bool stopping() const { return ::WaitForSingleObject(stop, 0) == WAIT_OBJECT_0; }

    void run(std::chrono::milliseconds quiet, const Changed& changed) {
        const auto quietMs = static_cast<DWORD>(quiet.count());
        while (!stopping()) {
            if (!waitForChange(INFINITE)) {
                continue;
            }
            for (int periods = 1; periods < kLongestBurst && waitForChange(quietMs); ++periods) {
            }
            if (!stopping()) {
                changed();
            }
        }
    }
};

AddressWatch::AddressWatch(std::chrono::milliseconds quiet, Changed changed)
    : mState(std::make_unique<State>()) {
    mFailure = mState->subscribe();
    if (!mFailure.empty()) {
        return;
    }
    State* state = mState.get();
    try {
        mState->thread = std::thread(
            [state, quiet, changed = std::move(changed)] { state->run(quiet, changed); });
    } catch (const std::system_error& error) {
        mFailure = std::string("thread: ") + error.what();
    }
}

AddressWatch::~AddressWatch() {
    if (mState->stop != nullptr) {
        ::SetEvent(mState->stop);
    }
    if (mState->thread.joinable()) {
        mState->thread.join();
    }
}

void AddressWatch::poke() {
    if (mState->change != nullptr) {
        ::SetEvent(mState->change);
    }
}

}  // namespace korvane
