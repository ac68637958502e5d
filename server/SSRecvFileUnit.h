#pragma once

#include <memory>

namespace korvane {

class TSSServer;
class TSSChild;

// Asks the client for a file and receives it into a local file.
class TSSRecvFileThread {
  public:
    static void Create(TSSServer* pParent, std::shared_ptr<TSSChild> pChild);
    void Execute();

    TSSServer* mParent;
    std::shared_ptr<TSSChild> mChild;

  private:
    TSSRecvFileThread(TSSServer* pParent, std::shared_ptr<TSSChild> pChild)
        : mParent(pParent), mChild(std::move(pChild)) {}
};

}  // namespace korvane
