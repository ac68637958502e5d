#include "platform/UnhandledException.h"

#include <exception>
#include <mutex>
#include <utility>

#include "platform/Trace.h"

namespace korvane {
namespace {

std::mutex gLock;
UnhandledExceptionSink gSink;

std::string currentExceptionText() {
    try {
        throw;
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "種類の分からない例外";
    }
}

}  // namespace

void setUnhandledExceptionSink(UnhandledExceptionSink sink) {
    std::lock_guard guard(gLock);
    gSink = std::move(sink);
}

void reportUnhandledException(std::string_view where) noexcept {
    try {
        const std::string text = std::string(where) + ": " + currentExceptionText();
        UnhandledExceptionSink sink;
        {
            std::lock_guard guard(gLock);
            sink = gSink;
        }
        if (sink) {
            sink(text);
        } else {
            traceOutput(text);
        }
    } catch (...) {
        // The report itself failed (no memory): nothing more can be said.
    }
}

}  // namespace korvane
