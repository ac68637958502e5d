#include "desktop/kde/KwinBus.h"

#include <gio/gio.h>

#include <cstring>

namespace korvane::kde {

namespace {

// At most this many reports wait for a taker: a script that answered after its caller gave up
// leaves one behind.
constexpr std::size_t kMaxUnclaimed = 16;

}  // namespace

KwinBus::KwinBus() {
    GError* error = nullptr;
    gchar* address = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    if (address != nullptr) {
        mConnection = g_dbus_connection_new_for_address_sync(
            address,
            static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                              G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, &error);
        g_free(address);
    }
    if (mConnection == nullptr) {
        mFailure = error != nullptr ? error->message : "D-Bus";
        g_clear_error(&error);
        return;
    }
    g_dbus_connection_set_exit_on_close(mConnection, FALSE);
    mFilter = g_dbus_connection_add_filter(
        mConnection,
        [](GDBusConnection* connection, GDBusMessage* message, gboolean incoming, gpointer data) {
            return filter(connection, message, incoming, data);
        },
        this, nullptr);
}

KwinBus::~KwinBus() {
    if (mConnection != nullptr) {
        g_dbus_connection_remove_filter(mConnection, mFilter);
        g_dbus_connection_close_sync(mConnection, nullptr, nullptr);
        g_object_unref(mConnection);
    }
}

std::string KwinBus::uniqueName() const {
    const gchar* name = mConnection ? g_dbus_connection_get_unique_name(mConnection) : nullptr;
    return name ? name : "";
}

std::string KwinBus::newToken() {
    std::lock_guard lock(mLock);
    return "t" + std::to_string(mNextToken++);
}

std::optional<std::string> KwinBus::waitForReport(const std::string& token,
                                                  std::chrono::milliseconds budget) {
    std::unique_lock lock(mLock);
    if (!mArrived.wait_for(lock, budget, [&] { return mReports.count(token) != 0; })) {
        return std::nullopt;
    }
    auto found = mReports.find(token);
    std::string text = std::move(found->second);
    mReports.erase(found);
    return text;
}

// Runs on the bus library's thread for every message; takes the reports and lets the rest pass.
GDBusMessage* KwinBus::filter(GDBusConnection* connection, GDBusMessage* message, int incoming,
                              void* data) {
    if (!incoming || g_dbus_message_get_message_type(message) != G_DBUS_MESSAGE_TYPE_METHOD_CALL ||
        g_strcmp0(g_dbus_message_get_path(message), kReportPath) != 0 ||
        g_strcmp0(g_dbus_message_get_interface(message), kReportInterface) != 0) {
        return message;
    }
    GVariant* body = g_dbus_message_get_body(message);
    if (body != nullptr && g_variant_is_of_type(body, G_VARIANT_TYPE("(ss)"))) {
        const gchar* token = nullptr;
        const gchar* text = nullptr;
        g_variant_get(body, "(&s&s)", &token, &text);
        auto* self = static_cast<KwinBus*>(data);
        std::lock_guard lock(self->mLock);
        if (self->mReports.size() >= kMaxUnclaimed) {
            self->mReports.clear();
        }
        self->mReports[token] = text;
        self->mArrived.notify_all();
    }
    GDBusMessage* reply = g_dbus_message_new_method_reply(message);
    g_dbus_connection_send_message(connection, reply, G_DBUS_SEND_MESSAGE_FLAGS_NONE, nullptr,
                                   nullptr);
    g_object_unref(reply);
    g_object_unref(message);
    return nullptr;
}

}  // namespace korvane::kde
