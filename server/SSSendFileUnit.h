#pragma once

#include "server/SSThread.h"

namespace korvane {

// Sends a local file as a file message and waits for the client's acknowledgement.
class TSSSendFileThread : public TSSConnectionThread<TSSSendFileThread> {
  public:
    using TSSConnectionThread::TSSConnectionThread;
    void Execute();
    // Opens the record's mLocalFilePath for the coming transfer (on the caller's thread, so the
    // bytes sent are those of the file as it is now); a failure is kept for the thread to report.
    static void OpenLocalFile(TSSChild& pChild);
};

}  // namespace korvane
