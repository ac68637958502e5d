#pragma once

#include "server/SSThread.h"

namespace korvane {

// Sends the final reply, reports it, and waits until the client closes.
class TSSResponseThread : public TSSConnectionThread<TSSResponseThread> {
  public:
    using TSSConnectionThread::TSSConnectionThread;
    void Execute();
};

}  // namespace korvane
