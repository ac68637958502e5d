#pragma once

#include <string>
#include <vector>

#include "handling/DeviceApproval.h"
#include "handling/RequestHandler.h"

namespace korvane {

// The user's side of device approval, for a front end with a window: the phones waiting for an
// answer, the answers, the devices approved for good and the refusals of this run to lift. Each
// decision is logged, and kept among the security lines, which it also gives. What it is given
// must outlive it. Any thread (the window's, in practice).
class ApprovalDesk {
  public:
    ApprovalDesk(DeviceApproval& approval, RequestHandler& handler)
        : mApproval(approval), mHandler(handler) {}

    WaitingPhones waitingPhones() const { return mApproval.waitingPhones(); }
    // The user's answer about a waiting phone, as DeviceApproval::answer takes it.
    void answer(const std::string& clientKey, const std::string& address, ApprovalAnswer answer);

    std::vector<ApprovedDevice> devices() const { return mApproval.devices(); }
    // Forgets a device approved for good.
    void remove(const std::string& clientKey);
    std::vector<Refusal> refusals() const { return mApproval.refusals(); }
    void unrefuse(const Refusal& refusal);

    // The lines about approval, refusal and limits, newest first.
    std::vector<std::string> securityLines() const { return mHandler.securityLines().lines(); }

    DeviceApproval& approval() { return mApproval; }

  private:
    void logDecision(const std::string& source, const std::string& text);

    DeviceApproval& mApproval;
    RequestHandler& mHandler;
};

}  // namespace korvane
