#include "desktop/atspi/AtspiCaret.h"

#include <atspi/atspi.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace korvane::atspi {
namespace {

// Each call on the bus gives up after this long.
constexpr int kCallTimeoutMs = 200;
// Applications without the Collection interface are searched by hand, up to this many objects.
constexpr int kMaxVisited = 2000;

template <typename T>
struct GUnref {
    void operator()(T* object) const {
        if (object != nullptr) {
            g_object_unref(object);
        }
    }
};
template <typename T>
using GRef = std::unique_ptr<T, GUnref<T>>;

// Errors only mean "no answer" here; the message is not wanted.
struct ErrorSink {
    GError* error = nullptr;
    ~ErrorSink() { clear(); }
    GError** out() {
        clear();
        return &error;
    }
    bool failed() const { return error != nullptr; }
    void clear() {
        if (error != nullptr) {
            g_error_free(error);
            error = nullptr;
        }
    }
};

bool isFocused(AtspiAccessible* accessible) {
    GRef<AtspiStateSet> states(atspi_accessible_get_state_set(accessible));
    return states && atspi_state_set_contains(states.get(), ATSPI_STATE_FOCUSED);
}

GRef<AtspiAccessible> findByCollection(AtspiAccessible* app) {
    GRef<AtspiCollection> collection(atspi_accessible_get_collection_iface(app));
    if (!collection) {
        return nullptr;
    }
    GRef<AtspiStateSet> wanted(atspi_state_set_new(nullptr));
    atspi_state_set_add(wanted.get(), ATSPI_STATE_FOCUSED);
    GRef<AtspiMatchRule> rule(atspi_match_rule_new(
        wanted.get(), ATSPI_Collection_MATCH_ALL, nullptr, ATSPI_Collection_MATCH_NONE, nullptr,
        ATSPI_Collection_MATCH_NONE, nullptr, ATSPI_Collection_MATCH_NONE, FALSE));
    ErrorSink error;
    GArray* matches = atspi_collection_get_matches(
        collection.get(), rule.get(), ATSPI_Collection_SORT_ORDER_CANONICAL, 1, TRUE, error.out());
    GRef<AtspiAccessible> found;
    if (matches != nullptr) {
        if (matches->len > 0) {
            found.reset(g_array_index(matches, AtspiAccessible*, 0));
            for (guint i = 1; i < matches->len; ++i) {
                g_object_unref(g_array_index(matches, AtspiAccessible*, i));
            }
        }
        g_array_free(matches, TRUE);
    }
    return found;
}

GRef<AtspiAccessible> findByWalking(AtspiAccessible* node, int& visited) {
    if (++visited > kMaxVisited) {
        return nullptr;
    }
    if (isFocused(node)) {
        return GRef<AtspiAccessible>(static_cast<AtspiAccessible*>(g_object_ref(node)));
    }
    ErrorSink error;
    const gint count = atspi_accessible_get_child_count(node, error.out());
    for (gint i = 0; i < count && visited <= kMaxVisited; ++i) {
        GRef<AtspiAccessible> child(atspi_accessible_get_child_at_index(node, i, error.out()));
        if (child) {
            if (GRef<AtspiAccessible> found = findByWalking(child.get(), visited)) {
                return found;
            }
        }
    }
    return nullptr;
}

GRef<AtspiAccessible> focusedIn(AtspiAccessible* app) {
    if (GRef<AtspiAccessible> found = findByCollection(app)) {
        return found;
    }
    int visited = 0;
    return findByWalking(app, visited);
}

bool isEmpty(const AtspiRect* rect) {
    return rect == nullptr || (rect->width == 0 && rect->height == 0);
}

// The caret's corner: the left edge of the character after it; at the end of the text, where
// toolkits report an empty box, the right edge of the character before it; in an empty field,
// the corner of the field.
std::optional<ScreenPoint> caretCorner(AtspiAccessible* focused) {
    GRef<AtspiText> text(atspi_accessible_get_text_iface(focused));
    if (!text) {
        return std::nullopt;
    }
    ErrorSink error;
    const gint offset = atspi_text_get_caret_offset(text.get(), error.out());
    if (error.failed() || offset < 0) {
        return std::nullopt;
    }
    std::optional<ScreenPoint> point;
    AtspiRect* at =
        atspi_text_get_character_extents(text.get(), offset, ATSPI_COORD_TYPE_SCREEN, error.out());
    if (!isEmpty(at)) {
        point = ScreenPoint{at->x, at->y};
    } else if (offset > 0) {
        AtspiRect* before = atspi_text_get_character_extents(text.get(), offset - 1,
                                                             ATSPI_COORD_TYPE_SCREEN, error.out());
        if (!isEmpty(before)) {
            point = ScreenPoint{std::int64_t{before->x} + before->width, before->y};
        }
        g_free(before);
    }
    g_free(at);
    if (!point) {
        GRef<AtspiComponent> component(atspi_accessible_get_component_iface(focused));
        AtspiRect* box = component ? atspi_component_get_extents(
                                         component.get(), ATSPI_COORD_TYPE_SCREEN, error.out())
                                   : nullptr;
        if (!isEmpty(box)) {
            point = ScreenPoint{box->x, box->y};
        }
        g_free(box);
    }
    return point;
}

// The worker's mailbox: the question the caller posted and the answer to the latest one.
struct Worker {
    std::mutex lock;
    std::condition_variable changed;
    bool busy = false;
    pid_t question = 0;
    std::uint64_t asked = 0;
    std::uint64_t answered = 0;
    std::optional<ScreenPoint> answer;

    [[noreturn]] void run();
};

// What the worker keeps between questions to spare round trips on the bus.
struct Memory {
    // The process of each application on the bus by its unique bus name, which the bus never
    // gives to another connection. Asking the bus costs a round trip per application and
    // question: on a desktop of a few dozen applications, milliseconds before every capture.
    std::unordered_map<std::string, pid_t> processIds;
    // Where the last caret was found: the next question is most likely about the same
    // application, and going there straight spares listing the applications on the bus.
    pid_t lastPid = 0;
    GRef<AtspiAccessible> lastApp;
};

pid_t processOf(AtspiAccessible* app, const Memory& memory,
                std::unordered_map<std::string, pid_t>& seen) {
    const AtspiApplication* owner = ATSPI_OBJECT(app)->app;
    const std::string busName =
        owner != nullptr && owner->bus_name != nullptr ? owner->bus_name : "";
    if (const auto found = memory.processIds.find(busName);
        !busName.empty() && found != memory.processIds.end()) {
        seen.insert(*found);
        return found->second;
    }
    ErrorSink error;
    const auto pid = static_cast<pid_t>(atspi_accessible_get_process_id(app, error.out()));
    if (!busName.empty() && !error.failed()) {
        seen.emplace(busName, pid);
    }
    return pid;
}

// The applications of process `pid` on the bus. Every application is looked at, so that those
// that left are forgotten.
std::vector<GRef<AtspiAccessible>> applicationsOf(pid_t pid, Memory& memory) {
    std::vector<GRef<AtspiAccessible>> found;
    GRef<AtspiAccessible> desktop(atspi_get_desktop(0));
    if (!desktop) {
        return found;
    }
    ErrorSink error;
    const gint count = atspi_accessible_get_child_count(desktop.get(), error.out());
    std::unordered_map<std::string, pid_t> seen;
    for (gint i = 0; i < count; ++i) {
        GRef<AtspiAccessible> app(
            atspi_accessible_get_child_at_index(desktop.get(), i, error.out()));
        if (app && processOf(app.get(), memory, seen) == pid) {
            found.push_back(std::move(app));
        }
    }
    memory.processIds = std::move(seen);
    return found;
}

void takeSignals(GMainContext* context) {
    // Applications that joined or left since the last question are announced as signals.
    while (g_main_context_iteration(context, FALSE)) {
    }
}

std::optional<ScreenPoint> lookUp(pid_t pid, GMainContext* context, Memory& memory) {
    takeSignals(context);
    // An application that left the bus answers nothing and is looked for below like any other.
    if (memory.lastApp && memory.lastPid == pid) {
        if (GRef<AtspiAccessible> focused = focusedIn(memory.lastApp.get())) {
            return caretCorner(focused.get());
        }
    }
    memory.lastApp.reset();
    for (GRef<AtspiAccessible>& app : applicationsOf(pid, memory)) {
        if (GRef<AtspiAccessible> focused = focusedIn(app.get())) {
            memory.lastPid = pid;
            memory.lastApp = std::move(app);
            return caretCorner(focused.get());
        }
    }
    return std::nullopt;
}

void Worker::run() {
    // The library's bus connection is served from a context of this thread, never from the
    // toolkit's main loop on another thread.
    GMainContext* context = g_main_context_new();
    g_main_context_push_thread_default(context);
    const bool ready = atspi_init() <= 1;
    if (ready) {
        atspi_set_main_context(context);
        atspi_set_timeout(kCallTimeoutMs, kCallTimeoutMs);
    }
    Memory memory;
    if (ready) {
        // The applications already on the bus, met before any question is about them.
        takeSignals(context);
        applicationsOf(0, memory);
    }
    std::unique_lock guard(lock);
    for (;;) {
        changed.wait(guard, [this] { return asked != answered; });
        const pid_t pid = question;
        const std::uint64_t number = asked;
        guard.unlock();
        std::optional<ScreenPoint> found = ready ? lookUp(pid, context, memory) : std::nullopt;
        guard.lock();
        answer = found;
        answered = number;
        busy = false;
        changed.notify_all();
    }
}

Worker* theWorker() {
    // Never destroyed: the thread waits on it until the process ends.
    static Worker* const worker = [] {
        auto* created = new Worker;
        std::thread([created] { created->run(); }).detach();
        return created;
    }();
    return worker;
}

}  // namespace

void startAtspi() {
    theWorker();
}

std::optional<ScreenPoint> atspiCaretOf(pid_t pid, std::chrono::milliseconds budget) {
    Worker* const worker = theWorker();
    std::unique_lock guard(worker->lock);
    if (worker->busy) {
        return std::nullopt;
    }
    worker->busy = true;
    worker->question = pid;
    const std::uint64_t number = ++worker->asked;
    worker->changed.notify_all();
    if (!worker->changed.wait_for(guard, budget, [&] { return worker->answered == number; })) {
        return std::nullopt;
    }
    return worker->answer;
}

}  // namespace korvane::atspi
