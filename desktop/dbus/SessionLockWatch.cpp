#include "desktop/dbus/SessionLockWatch.h"

#include <dbus/dbus.h>
#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <utility>
#include <vector>

namespace korvane::dbus {
namespace {

using Clock = std::chrono::steady_clock;

// Every call's bound: a bus or a service that does not answer costs the watch this, never the
// caller of locked().
constexpr int kCallTimeoutMs = 500;
constexpr auto kRetryTime = std::chrono::seconds(10);

constexpr char kScreenSaver[] = "org.freedesktop.ScreenSaver";
constexpr char kScreenSaverPath[] = "/org/freedesktop/ScreenSaver";
constexpr char kLogin[] = "org.freedesktop.login1";
constexpr char kLoginPath[] = "/org/freedesktop/login1";
constexpr char kLoginManager[] = "org.freedesktop.login1.Manager";
constexpr char kLoginSession[] = "org.freedesktop.login1.Session";
constexpr char kProperties[] = "org.freedesktop.DBus.Properties";
constexpr char kSystemBusSocket[] = "unix:path=/var/run/dbus/system_bus_socket";

struct MessageUnref {
    void operator()(DBusMessage* message) const { dbus_message_unref(message); }
};
using Message = std::unique_ptr<DBusMessage, MessageUnref>;

struct ConnectionClose {
    void operator()(DBusConnection* connection) const {
        dbus_connection_close(connection);
        dbus_connection_unref(connection);
    }
};
using Connection = std::unique_ptr<DBusConnection, ConnectionClose>;

Message methodCall(const char* destination, const char* path, const char* interface,
                   const char* member) {
    return Message(dbus_message_new_method_call(destination, path, interface, member));
}

// The reply to `call` within the call time; none when the answer was an error or did not come.
// A service that is not running is not started for the question. Signals that come meanwhile are
// let go, with `signalsCame` set. libdbus's own blocking call is not used: it waits without end
// for a bus that accepts the connection and never answers.
Message ask(DBusConnection* connection, const Message& call, bool& signalsCame) {
    dbus_uint32_t serial = 0;
    int descriptor = -1;
    if (!call || !dbus_connection_get_unix_fd(connection, &descriptor)) {
        return {};
    }
    dbus_message_set_auto_start(call.get(), FALSE);
    if (!dbus_connection_send(connection, call.get(), &serial)) {
        return {};
    }
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(kCallTimeoutMs);
    for (;;) {
        dbus_connection_read_write(connection, 0);
        while (Message message{dbus_connection_pop_message(connection)}) {
            const int type = dbus_message_get_type(message.get());
            if (type == DBUS_MESSAGE_TYPE_SIGNAL) {
                signalsCame = true;
            } else if (dbus_message_get_reply_serial(message.get()) == serial) {
                return type == DBUS_MESSAGE_TYPE_METHOD_RETURN ? std::move(message) : Message{};
            }
        }
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0 || !dbus_connection_get_is_connected(connection)) {
            return {};
        }
        // What libdbus still has to write goes once the bus has read what came before it (the
        // authentication), which the descriptor does not tell: it is looked at again shortly.
        const bool toWrite = dbus_connection_has_messages_to_send(connection);
        pollfd watched{.fd = descriptor, .events = POLLIN};
        ::poll(&watched, 1, static_cast<int>(toWrite ? std::min<long long>(left, 1) : left));
    }
}

Message ask(DBusConnection* connection, const Message& call) {
    bool signalsCame = false;
    return ask(connection, call, signalsCame);
}

// A private connection to the bus at `address`, registered on it; none when that cannot be had
// within the call time.
Connection connectTo(const std::string& address) {
    if (address.empty()) {
        return {};
    }
    DBusError error;
    dbus_error_init(&error);
    Connection connection(dbus_connection_open_private(address.c_str(), &error));
    dbus_error_free(&error);
    if (!connection) {
        return {};
    }
    dbus_connection_set_exit_on_disconnect(connection.get(), FALSE);
    // By hand: dbus_bus_register makes a blocking call.
    const Message reply = ask(connection.get(), methodCall(DBUS_SERVICE_DBUS, DBUS_PATH_DBUS,
                                                           DBUS_INTERFACE_DBUS, "Hello"));
    const char* name = nullptr;
    if (!reply ||
        !dbus_message_get_args(reply.get(), nullptr, DBUS_TYPE_STRING, &name, DBUS_TYPE_INVALID)) {
        return {};
    }
    dbus_bus_set_unique_name(connection.get(), name);
    return connection;
}

// A reply's one boolean, or the boolean in its one variant (a property's value).
bool replyTrue(const Message& reply) {
    DBusMessageIter iter;
    if (!reply || !dbus_message_iter_init(reply.get(), &iter)) {
        return false;
    }
    DBusMessageIter inner;
    if (dbus_message_iter_get_arg_type(&iter) == DBUS_TYPE_VARIANT) {
        dbus_message_iter_recurse(&iter, &inner);
        iter = inner;
    }
    if (dbus_message_iter_get_arg_type(&iter) != DBUS_TYPE_BOOLEAN) {
        return false;
    }
    dbus_bool_t value = FALSE;
    dbus_message_iter_get_basic(&iter, &value);
    return value != FALSE;
}

// Signals come without waiting for the rule's reply; a bus that refuses a rule only sends
// nothing.
void addMatch(DBusConnection* connection, const std::string& rule) {
    dbus_bus_add_match(connection, rule.c_str(), nullptr);
}

std::string nameOwnerRule(const char* name) {
    return std::string("type='signal',sender='") + DBUS_SERVICE_DBUS + "',interface='" +
           DBUS_INTERFACE_DBUS + "',member='NameOwnerChanged',arg0='" + name + "'";
}

// One bus, what it said last, and how it is asked.
struct Bus {
    std::string address;
    Connection connection;
    // While not connected: when to try again (never, for a bus that has nothing for us).
    Clock::time_point retryAt{};
    bool locked = false;
    bool askAgain = false;
    // logind's object of this process's session.
    std::string sessionPath;
};

// The session bus: the screen saver's answer, asked again on its signals and when its name
// changes hands (a locker that starts or ends).
bool setUpSession(Bus& bus) {
    addMatch(bus.connection.get(),
             std::string("type='signal',interface='") + kScreenSaver + "',member='ActiveChanged'");
    addMatch(bus.connection.get(), nameOwnerRule(kScreenSaver));
    return true;
}

bool askSession(Bus& bus) {
    return replyTrue(ask(bus.connection.get(),
                         methodCall(kScreenSaver, kScreenSaverPath, kScreenSaver, "GetActive"),
                         bus.askAgain));
}

// The system bus: logind's session of this process, or when it is in none (started as a user
// service) the user's graphical one; false when logind knows neither.
bool setUpSystem(Bus& bus) {
    Message call = methodCall(kLogin, kLoginPath, kLoginManager, "GetSession");
    const char* session = "auto";
    if (!call ||
        !dbus_message_append_args(call.get(), DBUS_TYPE_STRING, &session, DBUS_TYPE_INVALID)) {
        return false;
    }
    const Message reply = ask(bus.connection.get(), call);
    const char* path = nullptr;
    if (!reply || !dbus_message_get_args(reply.get(), nullptr, DBUS_TYPE_OBJECT_PATH, &path,
                                         DBUS_TYPE_INVALID)) {
        return false;
    }
    bus.sessionPath = path;
    addMatch(bus.connection.get(), std::string("type='signal',sender='") + kLogin + "',path='" +
                                       bus.sessionPath + "',interface='" + kProperties +
                                       "',member='PropertiesChanged'");
    addMatch(bus.connection.get(), nameOwnerRule(kLogin));
    return true;
}

bool askSystem(Bus& bus) {
    Message call = methodCall(kLogin, bus.sessionPath.c_str(), kProperties, "Get");
    const char* interface = kLoginSession;
    const char* property = "LockedHint";
    if (!call || !dbus_message_append_args(call.get(), DBUS_TYPE_STRING, &interface,
                                           DBUS_TYPE_STRING, &property, DBUS_TYPE_INVALID)) {
        return false;
    }
    return replyTrue(ask(bus.connection.get(), call, bus.askAgain));
}

// What the watch's thread does; everything here is that thread's alone.
class Watcher {
  public:
    Watcher(const LockSources& sources, std::atomic<bool>& locked,
            const std::atomic<bool>& stopping)
        : mLocked(locked),
          mStopping(stopping),
          mSession{.address = sessionAddress(sources)},
          mSystem{.address = systemAddress(sources)} {}

    // Until stopping is raised, with `wake` made readable.
    void run(int wake);

  private:
    static std::string sessionAddress(const LockSources& sources) {
        const char* named = std::getenv("DBUS_SESSION_BUS_ADDRESS");
        return !sources.sessionBus.empty() ? sources.sessionBus : named ? named : "";
    }
    static std::string systemAddress(const LockSources& sources) {
        const char* named = std::getenv("DBUS_SYSTEM_BUS_ADDRESS");
        return !sources.systemBus.empty() ? sources.systemBus : named ? named : kSystemBusSocket;
    }

    void open(Bus& bus, bool (*setUp)(Bus&), Clock::time_point now);
    void serve(Bus& bus, bool (*askBus)(Bus&), Clock::time_point now);
    // The poll's timeout: until the next retry, for ever when none is due.
    int untilRetry(Clock::time_point now) const;
    void publish() { mLocked = mSession.locked || mSystem.locked; }

    std::atomic<bool>& mLocked;
    const std::atomic<bool>& mStopping;
    Bus mSession;
    Bus mSystem;
};

void Watcher::run(int wake) {
    while (!mStopping) {
        const Clock::time_point now = Clock::now();
        open(mSession, setUpSession, now);
        open(mSystem, setUpSystem, now);
        serve(mSession, askSession, now);
        serve(mSystem, askSystem, now);
        publish();

        std::vector<pollfd> watched{{.fd = wake, .events = POLLIN}};
        for (const Bus* bus : {&mSession, &mSystem}) {
            int descriptor = -1;
            if (bus->connection &&
                dbus_connection_get_unix_fd(bus->connection.get(), &descriptor)) {
                watched.push_back({.fd = descriptor, .events = POLLIN});
            }
        }
        ::poll(watched.data(), watched.size(), untilRetry(Clock::now()));
    }
}

void Watcher::open(Bus& bus, bool (*setUp)(Bus&), Clock::time_point now) {
    // A watch being ended waits for no further bus.
    if (bus.connection || now < bus.retryAt || mStopping) {
        return;
    }
    bus.connection = connectTo(bus.address);
    if (!bus.connection) {
        bus.retryAt = now + kRetryTime;
    } else if (!setUp(bus)) {
        // Nothing on it tells of this session: it is not asked again.
        bus.connection.reset();
        bus.retryAt = Clock::time_point::max();
    } else {
        bus.askAgain = true;
    }
}

void Watcher::serve(Bus& bus, bool (*askBus)(Bus&), Clock::time_point now) {
    if (!bus.connection) {
        return;
    }
    DBusConnection* const connection = bus.connection.get();
    dbus_connection_read_write(connection, 0);
    // Any signal that came is a reason to ask; what came while asking is read before the next
    // wait, which would not wake for it.
    for (;;) {
        while (Message signal{dbus_connection_pop_message(connection)}) {
            bus.askAgain =
                bus.askAgain || dbus_message_get_type(signal.get()) == DBUS_MESSAGE_TYPE_SIGNAL;
        }
        if (!bus.askAgain || !dbus_connection_get_is_connected(connection)) {
            break;
        }
        // A signal during the question may be newer than its answer: that asks again.
        bus.askAgain = false;
        bus.locked = askBus(bus);
        publish();
    }
    if (!dbus_connection_get_is_connected(connection)) {
        bus.connection.reset();
        bus.locked = false;
        bus.retryAt = now + kRetryTime;
    }
}

int Watcher::untilRetry(Clock::time_point now) const {
    Clock::time_point next = Clock::time_point::max();
    for (const Bus* bus : {&mSession, &mSystem}) {
        if (!bus->connection && bus->retryAt < next) {
            next = bus->retryAt;
        }
    }
    if (next == Clock::time_point::max()) {
        return -1;
    }
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(next - now).count();
    return static_cast<int>(std::max<long long>(left, 0));
}

}  // namespace

SessionLockWatch::SessionLockWatch(LockSources sources)
    : mThread([this, sources = std::move(sources)] { run(sources); }) {}

SessionLockWatch::~SessionLockWatch() {
    mStopping = true;
    mWake.raise();
    mThread.join();
}

bool SessionLockWatch::locked() const {
    return mLocked;
}

void SessionLockWatch::run(LockSources sources) {
    dbus_threads_init_default();
    Watcher(sources, mLocked, mStopping).run(mWake.descriptor());
}

}  // namespace korvane::dbus
