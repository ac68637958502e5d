#pragma once

#include <memory>

#include "server/SSServerUnit.h"

namespace korvane {

class TSSChild;

// Starts `thread->Execute()` on a server thread that owns the object and releases it at the end.
template <typename Thread>
void StartOwnedThread(TSSServer* pParent, std::shared_ptr<Thread> thread) {
    pParent->StartThread([thread] { thread->Execute(); });
}

// What every thread that serves one connection has: its server and the connection's record,
// shared with the listener so that it stays valid for as long as the thread runs.
template <typename Derived>
class TSSConnectionThread {
  public:
    TSSConnectionThread(TSSServer* pParent, std::shared_ptr<TSSChild> pChild)
        : mParent(pParent), mChild(std::move(pChild)) {}

    // Starts the thread at once; it releases itself when Execute returns.
    static void Create(TSSServer* pParent, std::shared_ptr<TSSChild> pChild) {
        StartOwnedThread(pParent, std::make_shared<Derived>(pParent, std::move(pChild)));
    }

    TSSServer* mParent;
    std::shared_ptr<TSSChild> mChild;
};

}  // namespace korvane
