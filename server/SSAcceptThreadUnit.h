#pragma once

#include "server/SSThread.h"

namespace korvane {

// Reads the one request of a new connection and hands it to the application as event 3.
class TSSAcceptThread : public TSSConnectionThread<TSSAcceptThread> {
  public:
    using TSSConnectionThread::TSSConnectionThread;
    void Execute();
};

}  // namespace korvane
