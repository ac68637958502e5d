#pragma once

#include <string>

namespace korvane {

// What request handling needs of the main window. The window implements these; tests answer
// them themselves.

// The log list. Called with LogLock held, from any thread: it must not wait for the window's
// thread, only pass the line on (in call order) to be shown newest first.
class ILogView {
  public:
    virtual ~ILogView() = default;
    virtual void InsertLogLine(const std::string& line) = 0;
};

// The listening controls. SetStoppedState takes LogLock itself while it changes them.
class IListenerView {
  public:
    virtual ~IListenerView() = default;
    virtual void SetStoppedState(const std::string& caption) = 0;
};

// The platform's modal error box with one OK button, shown from the calling thread, which waits
// until the user has confirmed it.
class IMessageBoxes {
  public:
    virtual ~IMessageBoxes() = default;
    virtual void ShowError(const std::string& text) = 0;
};

}  // namespace korvane
