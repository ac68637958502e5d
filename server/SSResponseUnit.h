#pragma once

#include <memory>

namespace korvane {

class TSSServer;
class TSSChild;

// Sends the final reply, reports it, and waits until the client closes.
class TSSResponseThread {
  public:
    static void Create(TSSServer* pParent, std::shared_ptr<TSSChild> pChild);
    void Execute();

    TSSServer* mParent;
    std::shared_ptr<TSSChild> mChild;

  private:
    TSSResponseThread(TSSServer* pParent, std::shared_ptr<TSSChild> pChild)
        : mParent(pParent), mChild(std::move(pChild)) {}
};

}  // namespace korvane
