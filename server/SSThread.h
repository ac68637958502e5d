#pragma once

#include <memory>

#include "server/SSServerUnit.h"

namespace korvane {

// Starts `thread->Execute()` on a server thread that owns the object and releases it at the end.
template <typename Thread>
void StartOwnedThread(TSSServer* pParent, std::unique_ptr<Thread> thread) {
    std::shared_ptr<Thread> owned = std::move(thread);
    pParent->StartThread([owned] { owned->Execute(); });
}

}  // namespace korvane
