#include "tests/desktop/LockStandIn.h"

#include <dbus/dbus.h>

#include <cstdlib>
#include <cstring>

namespace korvane::test {
namespace {

constexpr char kScreenSaver[] = "org.freedesktop.ScreenSaver";
constexpr char kScreenSaverPath[] = "/org/freedesktop/ScreenSaver";
constexpr char kLogin[] = "org.freedesktop.login1";
constexpr char kLoginManager[] = "org.freedesktop.login1.Manager";
constexpr char kLoginSession[] = "org.freedesktop.login1.Session";
constexpr char kSessionPath[] = "/org/freedesktop/login1/session/stand_2din";
constexpr char kProperties[] = "org.freedesktop.DBus.Properties";

void appendVariantBool(DBusMessageIter* iter, bool value) {
    DBusMessageIter variant;
    const dbus_bool_t flag = value ? TRUE : FALSE;
    dbus_message_iter_open_container(iter, DBUS_TYPE_VARIANT, DBUS_TYPE_BOOLEAN_AS_STRING,
                                     &variant);
    dbus_message_iter_append_basic(&variant, DBUS_TYPE_BOOLEAN, &flag);
    dbus_message_iter_close_container(iter, &variant);
}

}  // namespace

std::string sessionBusAddress() {
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    return address ? address : "";
}

LockStandIn::LockStandIn(Role role, const std::string& address) : mRole(role) {
    dbus_threads_init_default();
    const std::string where = address.empty() ? sessionBusAddress() : address;
    DBusError error;
    dbus_error_init(&error);
    DBusConnection* connection = dbus_connection_open_private(where.c_str(), &error);
    if (connection != nullptr && !dbus_bus_register(connection, &error)) {
        dbus_connection_close(connection);
        dbus_connection_unref(connection);
        connection = nullptr;
    }
    const char* name = role == Role::ScreenSaver ? kScreenSaver : kLogin;
    if (connection != nullptr &&
        dbus_bus_request_name(connection, name, DBUS_NAME_FLAG_DO_NOT_QUEUE, &error) !=
            DBUS_REQUEST_NAME_REPLY_PRIMARY_OWNER) {
        dbus_connection_close(connection);
        dbus_connection_unref(connection);
        connection = nullptr;
    }
    dbus_error_free(&error);
    mConnection = connection;
    if (mConnection != nullptr) {
        dbus_connection_set_exit_on_disconnect(mConnection, FALSE);
        mThread = std::thread([this] { serve(); });
    }
}

LockStandIn::~LockStandIn() {
    mStopping = true;
    if (mThread.joinable()) {
        mThread.join();
    }
    if (mConnection != nullptr) {
        dbus_connection_close(mConnection);
        dbus_connection_unref(mConnection);
    }
}

void LockStandIn::setLocked(bool locked) {
    mLocked = locked;
    announce();
}

void LockStandIn::serve() {
    while (!mStopping && dbus_connection_read_write(mConnection, 20)) {
        while (DBusMessage* message = dbus_connection_pop_message(mConnection)) {
            if (dbus_message_get_type(message) == DBUS_MESSAGE_TYPE_METHOD_CALL) {
                answer(message);
            }
            dbus_message_unref(message);
        }
    }
}

void LockStandIn::answer(DBusMessage* call) {
    DBusMessage* reply = nullptr;
    if (mRole == Role::ScreenSaver &&
        dbus_message_is_method_call(call, kScreenSaver, "GetActive")) {
        reply = dbus_message_new_method_return(call);
        const dbus_bool_t active = mLocked ? TRUE : FALSE;
        dbus_message_append_args(reply, DBUS_TYPE_BOOLEAN, &active, DBUS_TYPE_INVALID);
    } else if (mRole == Role::Logind &&
               dbus_message_is_method_call(call, kLoginManager, "GetSession")) {
        reply = dbus_message_new_method_return(call);
        const char* path = kSessionPath;
        dbus_message_append_args(reply, DBUS_TYPE_OBJECT_PATH, &path, DBUS_TYPE_INVALID);
    } else if (mRole == Role::Logind && dbus_message_is_method_call(call, kProperties, "Get") &&
               std::strcmp(dbus_message_get_path(call), kSessionPath) == 0) {
        reply = dbus_message_new_method_return(call);
        DBusMessageIter iter;
        dbus_message_iter_init_append(reply, &iter);
        appendVariantBool(&iter, mLocked);
    } else {
        reply = dbus_message_new_error(call, DBUS_ERROR_UNKNOWN_METHOD, "not served here");
    }
    dbus_connection_send(mConnection, reply, nullptr);
    dbus_message_unref(reply);
}

void LockStandIn::announce() {
    if (mConnection == nullptr) {
        return;
    }
    DBusMessage* signal = nullptr;
    const dbus_bool_t locked = mLocked ? TRUE : FALSE;
    if (mRole == Role::ScreenSaver) {
        signal = dbus_message_new_signal(kScreenSaverPath, kScreenSaver, "ActiveChanged");
        dbus_message_append_args(signal, DBUS_TYPE_BOOLEAN, &locked, DBUS_TYPE_INVALID);
    } else {
        signal = dbus_message_new_signal(kSessionPath, kProperties, "PropertiesChanged");
        DBusMessageIter iter;
        DBusMessageIter changed;
        DBusMessageIter entry;
        DBusMessageIter invalidated;
        const char* interface = kLoginSession;
        const char* property = "LockedHint";
        dbus_message_iter_init_append(signal, &iter);
        dbus_message_iter_append_basic(&iter, DBUS_TYPE_STRING, &interface);
        dbus_message_iter_open_container(&iter, DBUS_TYPE_ARRAY, "{sv}", &changed);
        dbus_message_iter_open_container(&changed, DBUS_TYPE_DICT_ENTRY, nullptr, &entry);
        dbus_message_iter_append_basic(&entry, DBUS_TYPE_STRING, &property);
        appendVariantBool(&entry, mLocked);
        dbus_message_iter_close_container(&changed, &entry);
        dbus_message_iter_close_container(&iter, &changed);
        dbus_message_iter_open_container(&iter, DBUS_TYPE_ARRAY, "s", &invalidated);
        dbus_message_iter_close_container(&iter, &invalidated);
    }
    dbus_connection_send(mConnection, signal, nullptr);
    dbus_connection_flush(mConnection);
    dbus_message_unref(signal);
}

}  // namespace korvane::test
