#pragma once

#include <string>

namespace korvane {

// What request handling needs of the main window. The window implements these; tests answer
// them themselves.

// The log list. Called with the handler's log lock held, from any thread: it must not wait for
// the window's thread, only pass the line on (in call order) to be shown newest first.
class LogView {
  public:
    virtual ~LogView() = default;
    virtual void insertLogLine(const std::string& line) = 0;
};

// The listening controls: listening has ended (stopped, or failed), so the window returns to its
// stopped state. Called from any thread, with the handler's log lock held.
class ListenerView {
  public:
    virtual ~ListenerView() = default;
    virtual void listenerStopped() = 0;
};

// The platform's modal error box with one OK button, shown from the calling thread, which waits
// until the user has confirmed it.
class MessageBoxes {
  public:
    virtual ~MessageBoxes() = default;
    virtual void showError(const std::string& text) = 0;
};

}  // namespace korvane
