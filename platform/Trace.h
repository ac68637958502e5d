#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace korvane {

// Debug output of the running program: one line per call, on any thread. On Linux it goes to
// stderr (the debugger output on Windows). A program or a test may put its own sink in place.
// traceOutput always writes (failures nobody else hears of); trace only when asked for.
void traceOutput(const std::string& line);

// Whether the step-by-step trace is wanted: KORVANE_TRACE set to anything but "" or "0" when the
// program started (read once). Callers that build a trace text test this first, so a trace
// nobody asked for costs no string.
bool traceEnabled();

// traceOutput of "[yyyy/mm/dd hh:nn:ss]" followed by the text, cut as boundedLogText cuts it,
// when traceEnabled().
void trace(std::string_view text);

using TraceSink = std::function<void(const std::string& line)>;
// Replaces the sink; an empty function restores the default. Not for use while threads trace.
void setTraceSink(TraceSink sink);

}  // namespace korvane
