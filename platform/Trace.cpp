#include "platform/Trace.h"

#include <cstdlib>
#include <mutex>
#include <string_view>

#include "platform/DebugOutput.h"
#include "platform/LogText.h"
#include "platform/Timestamp.h"

namespace korvane {
namespace {

std::mutex& sinkLock() {
    static std::mutex lock;
    return lock;
}

TraceSink& currentSink() {
    static TraceSink sink;
    return sink;
}

}  // namespace

void traceOutput(const std::string& line) {
    std::lock_guard guard(sinkLock());
    if (currentSink()) {
        currentSink()(line);
        return;
    }
    writeDebugLine(line);
}

bool traceEnabled() {
    static const bool enabled = [] {
        const char* value = std::getenv("KORVANE_TRACE");
        return value && value[0] != '\0' && std::string_view(value) != "0";
    }();
    return enabled;
}

void trace(std::string_view text) {
    if (traceEnabled()) {
        traceOutput(bracketedTimestamp() + boundedLogText(text));
    }
}

void setTraceSink(TraceSink sink) {
    std::lock_guard guard(sinkLock());
    currentSink() = std::move(sink);
}

}  // namespace korvane
