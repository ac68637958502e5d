#pragma once

#include <memory>
#include <string>

#include "desktop/Desktop.h"

namespace korvane::bench {

// A desktop session with a GTK entry (zenity) to type into: one entry at a time, each new one
// given the keyboard focus; Enter closes it and zenity prints what it held.
class EntrySession {
  public:
    virtual ~EntrySession() = default;

    virtual std::string name() const = 0;
    // Starts a new entry and waits until it has the focus; its window, or 0 when it did not come.
    virtual WindowHandle startEntry() = 0;
    virtual Desktop& desktop() = 0;
    // The line zenity printed when Enter closed the entry; empty after 20 s without one.
    virtual std::string result() = 0;
};

// The X server of DISPLAY.
std::unique_ptr<EntrySession> x11Entries();
// A headless sway of the bench's own; null (with the reason on stderr) when there is none.
std::unique_ptr<EntrySession> swayEntries();

}  // namespace korvane::bench
