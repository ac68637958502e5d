#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace korvane {

// Where an exception goes that escaped everything that could have handled it (a task of a thread
// pool, an event handler), so that the program reports it to the user instead of losing it.
// The sink is called on the thread that caught the exception, with a text that names where it was
// caught and what it said; it must not throw. Any thread.
using UnhandledExceptionSink = std::function<void(const std::string& text)>;

// Puts `sink` in place; an empty function takes it away. Set before the threads that report start
// and taken away after they ended.
void setUnhandledExceptionSink(UnhandledExceptionSink sink);

// Inside a catch block: tells the sink "<where>: <what() of the exception>" (or that its kind is
// unknown); without a sink, traceOutput. Never throws.
void reportUnhandledException(std::string_view where) noexcept;

}  // namespace korvane
