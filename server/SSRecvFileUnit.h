#pragma once

#include "server/SSThread.h"

namespace korvane {

// Asks the client for a file and receives it into a local file.
class TSSRecvFileThread : public TSSConnectionThread<TSSRecvFileThread> {
  public:
    using TSSConnectionThread::TSSConnectionThread;
    void Execute();
};

}  // namespace korvane
