#include "platform/Trace.h"

#include <mutex>

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

void trace(const std::string& text) {
    traceOutput(bracketedTimestamp() + boundedLogText(text));
}

void setTraceSink(TraceSink sink) {
    std::lock_guard guard(sinkLock());
    currentSink() = std::move(sink);
}

}  // namespace korvane
