#pragma once

namespace korvane {

class TSSServer;

// The listener: opens the listening socket, accepts connections and hands each to an intake
// thread, and releases finished connection records in idle seconds.
class TSSStartThread {
  public:
    // Starts the listener thread for pParent.
    static void Create(TSSServer* pParent);
    void Execute();

    TSSServer* mParent;

  private:
    explicit TSSStartThread(TSSServer* pParent) : mParent(pParent) {}
};

}  // namespace korvane
