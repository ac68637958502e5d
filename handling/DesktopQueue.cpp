#include "handling/DesktopQueue.h"

#include <algorithm>

namespace korvane {

DesktopQueue::Turn::~Turn() {
    if (mQueue != nullptr) {
        mQueue->leave(mPeer);
    }
}

std::optional<DesktopQueue::Turn> DesktopQueue::enter(const std::string& peer) {
    std::unique_lock lock(mLock);
    std::size_t& held = mHeld[peer];
    if (held >= mPerPeer) {
        return std::nullopt;
    }
    ++held;
    const std::uint64_t ticket = ++mLastTicket;
    mWaiting.push_back({ticket, peer});
    mChanged.wait(lock, [&] { return !mBusy && nextTicket() == ticket; });
    std::erase_if(mWaiting, [&](const Waiting& w) { return w.ticket == ticket; });
    mBusy = true;
    return Turn(*this, peer);
}

void DesktopQueue::leave(const std::string& peer) {
    {
        std::lock_guard guard(mLock);
        mBusy = false;
        mLastPeer = peer;
        auto held = mHeld.find(peer);
        if (held != mHeld.end() && --held->second == 0) {
            mHeld.erase(held);
        }
    }
    mChanged.notify_all();
}

std::uint64_t DesktopQueue::nextTicket() const {
    if (mWaiting.empty()) {
        return 0;
    }
    auto other = std::find_if(mWaiting.begin(), mWaiting.end(),
                              [&](const Waiting& w) { return w.peer != mLastPeer; });
    return other != mWaiting.end() ? other->ticket : mWaiting.front().ticket;
}

}  // namespace korvane
