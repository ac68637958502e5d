#pragma once

#include <memory>

namespace korvane {

class TSSServer;
class TSSChild;

// Reads the one request of a new connection and hands it to the application as event 3.
class TSSAcceptThread {
  public:
    static void Create(TSSServer* pParent, std::shared_ptr<TSSChild> pChild);
    void Execute();

    TSSServer* mParent;
    std::shared_ptr<TSSChild> mChild;

  private:
    TSSAcceptThread(TSSServer* pParent, std::shared_ptr<TSSChild> pChild)
        : mParent(pParent), mChild(std::move(pChild)) {}
};

}  // namespace korvane
