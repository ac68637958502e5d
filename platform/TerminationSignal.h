#pragma once

#include <cstdint>

namespace korvane {

// SIGTERM and SIGINT turned into something an event loop can wait on: while an object of this
// lives, those signals no longer end the process but make `descriptor()` readable. One object at
// a time. Where the system has no such signals (Windows, where the session ends a program
// through its windows' messages), `descriptor()` is -1 and nothing changes.
class TerminationSignal {
  public:
    TerminationSignal();
    // Gives the signals back their default action.
    ~TerminationSignal();
    TerminationSignal(const TerminationSignal&) = delete;
    TerminationSignal& operator=(const TerminationSignal&) = delete;

    // Readable once a signal came; -1 when there is nothing to wait on.
    std::intptr_t descriptor() const { return mDescriptor; }
    // Reads what the signals left, so that the descriptor waits again.
    void drain();

  private:
    std::intptr_t mDescriptor = -1;
};

}  // namespace korvane
