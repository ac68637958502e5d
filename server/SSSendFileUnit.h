#pragma once

#include <memory>

namespace korvane {

class TSSServer;
class TSSChild;

// Sends a local file as a file message and waits for the client's acknowledgement.
class TSSSendFileThread {
  public:
    static void Create(TSSServer* pParent, std::shared_ptr<TSSChild> pChild);
    void Execute();
    // Opens the record's mLocalFilePath for the coming transfer (on the caller's thread, so the
    // bytes sent are those of the file as it is now); a failure is kept for the thread to report.
    static void OpenLocalFile(TSSChild& pChild);

    TSSServer* mParent;
    std::shared_ptr<TSSChild> mChild;

  private:
    TSSSendFileThread(TSSServer* pParent, std::shared_ptr<TSSChild> pChild)
        : mParent(pParent), mChild(std::move(pChild)) {}
};

}  // namespace korvane
