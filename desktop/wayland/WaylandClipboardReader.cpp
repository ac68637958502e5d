#include "desktop/wayland/WaylandClipboardReader.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <set>

#include "protocols/wlr-data-control-unstable-v1-client-protocol.h"

namespace korvane::wayland {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kLargestText = 16u << 20;
// The types of a text, the one asked for first.
constexpr const char* kTextTypes[] = {"text/plain;charset=utf-8", "UTF8_STRING"};

// The proxies of one reading, let go together.
struct Reading {
    wl_registry* registry = nullptr;
    wl_seat* seat = nullptr;
    zwlr_data_control_manager_v1* manager = nullptr;
    zwlr_data_control_device_v1* device = nullptr;
    // Every offer announced, with its types, and the one that is the clipboard.
    std::map<zwlr_data_control_offer_v1*, std::set<std::string>> offers;
    zwlr_data_control_offer_v1* selection = nullptr;

    ~Reading() {
        for (const auto& [offer, types] : offers) {
            zwlr_data_control_offer_v1_destroy(offer);
        }
        if (device != nullptr) {
            zwlr_data_control_device_v1_destroy(device);
        }
        if (manager != nullptr) {
            zwlr_data_control_manager_v1_destroy(manager);
        }
        if (seat != nullptr) {
            wl_seat_destroy(seat);
        }
        if (registry != nullptr) {
            wl_registry_destroy(registry);
        }
    }
};

void handleGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
                  std::uint32_t) {
    auto* reading = static_cast<Reading*>(data);
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && reading->seat == nullptr) {
        reading->seat =
            static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    } else if (std::strcmp(interface, zwlr_data_control_manager_v1_interface.name) == 0 &&
               reading->manager == nullptr) {
        reading->manager = static_cast<zwlr_data_control_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_data_control_manager_v1_interface, 1));
    }
}
void handleGlobalRemove(void*, wl_registry*, std::uint32_t) {}
constexpr wl_registry_listener kRegistryListener{handleGlobal, handleGlobalRemove};

void handleOfferType(void* data, zwlr_data_control_offer_v1* offer, const char* type) {
    static_cast<Reading*>(data)->offers[offer].insert(type);
}
constexpr zwlr_data_control_offer_v1_listener kOfferListener{handleOfferType};

void handleDataOffer(void* data, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1* offer) {
    auto* reading = static_cast<Reading*>(data);
    reading->offers[offer];
    zwlr_data_control_offer_v1_add_listener(offer, &kOfferListener, reading);
}
void handleSelection(void* data, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1* offer) {
    static_cast<Reading*>(data)->selection = offer;
}
void handleFinished(void*, zwlr_data_control_device_v1*) {}
void handlePrimarySelection(void*, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1*) {}
constexpr zwlr_data_control_device_v1_listener kDeviceListener{
    handleDataOffer, handleSelection, handleFinished, handlePrimarySelection};

void handleSyncDone(void* data, wl_callback*, std::uint32_t) {
    *static_cast<bool*>(data) = true;
}
constexpr wl_callback_listener kSyncListener{handleSyncDone};

// A round trip that gives up at the deadline: a compositor that hangs must not hold the paste.
bool roundtrip(wl_display* display, Clock::time_point deadline) {
    bool done = false;
    wl_callback* callback = wl_display_sync(display);
    wl_callback_add_listener(callback, &kSyncListener, &done);
    bool failed = false;
    while (!done && !failed) {
        while (wl_display_prepare_read(display) != 0) {
            wl_display_dispatch_pending(display);
        }
        wl_display_flush(display);
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd entry{wl_display_get_fd(display), POLLIN, 0};
        if (left.count() <= 0 || ::poll(&entry, 1, static_cast<int>(left.count()) + 1) <= 0) {
            wl_display_cancel_read(display);
            failed = true;
        } else if (wl_display_read_events(display) < 0 ||
                   wl_display_dispatch_pending(display) < 0) {
            failed = true;
        }
    }
    wl_callback_destroy(callback);
    return done;
}

// Everything written to `fd` until its end, unless the deadline or the size limit comes first.
std::optional<std::string> readToEnd(int fd, Clock::time_point deadline) {
    std::string text;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got == 0) {
            return text;
        }
        if (got > 0) {
            text.append(buffer, static_cast<std::size_t>(got));
            if (text.size() > kLargestText) {
                return std::nullopt;
            }
            continue;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EAGAIN) {
            return std::nullopt;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd entry{fd, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&entry, 1, static_cast<int>(left.count()) + 1) <= 0) {
            return std::nullopt;
        }
    }
}

std::optional<std::string> readFrom(wl_display* display, Clock::time_point deadline) {
    Reading reading;
    reading.registry = wl_display_get_registry(display);
    wl_registry_add_listener(reading.registry, &kRegistryListener, &reading);
    if (!roundtrip(display, deadline) || reading.seat == nullptr || reading.manager == nullptr) {
        return std::nullopt;
    }
    reading.device = zwlr_data_control_manager_v1_get_data_device(reading.manager, reading.seat);
    zwlr_data_control_device_v1_add_listener(reading.device, &kDeviceListener, &reading);
    // A new data control device is told the clipboard's offer at once.
    if (!roundtrip(display, deadline) || reading.selection == nullptr) {
        return std::nullopt;
    }
    const std::set<std::string>& types = reading.offers[reading.selection];
    const char* wanted = nullptr;
    for (const char* type : kTextTypes) {
        if (wanted == nullptr && types.count(type) != 0) {
            wanted = type;
        }
    }
    int pipe[2] = {-1, -1};
    if (wanted == nullptr || ::pipe2(pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return std::nullopt;
    }
    zwlr_data_control_offer_v1_receive(reading.selection, wanted, pipe[1]);
    const bool sent = wl_display_flush(display) >= 0;
    ::close(pipe[1]);
    std::optional<std::string> text = sent ? readToEnd(pipe[0], deadline) : std::nullopt;
    ::close(pipe[0]);
    return text;
}

}  // namespace

std::optional<std::string> readClipboardText(const std::string& displayName,
                                             std::chrono::milliseconds budget) {
    const auto deadline = Clock::now() + budget;
    wl_display* display = wl_display_connect(displayName.empty() ? nullptr : displayName.c_str());
    if (display == nullptr) {
        return std::nullopt;
    }
    std::optional<std::string> text = readFrom(display, deadline);
    wl_display_disconnect(display);
    return text;
}

}  // namespace korvane::wayland
