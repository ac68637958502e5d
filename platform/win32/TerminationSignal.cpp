#include "platform/TerminationSignal.h"

namespace korvane {

// Windows ends a desktop program through its windows (the session's end reaches Qt as a quit),
// not through signals: there is nothing to catch here.
TerminationSignal::TerminationSignal() = default;

TerminationSignal::~TerminationSignal() = default;

void TerminationSignal::drain() {}

}  // namespace korvane
