#pragma once

#include <functional>
#include <string>

namespace korvane {

// Debug output of the running program: one line per call, on any thread. On Linux it goes to
// stderr (the debugger output on Windows). A program or a test may put its own sink in place.
void traceOutput(const std::string& line);

// traceOutput of "[yyyy/mm/dd hh:nn:ss]" followed by the text, cut as boundedLogText cuts it.
void trace(const std::string& text);

using TraceSink = std::function<void(const std::string& line)>;
// Replaces the sink; an empty function restores the default. Not for use while threads trace.
void setTraceSink(TraceSink sink);

}  // namespace korvane
