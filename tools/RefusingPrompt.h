#pragma once

#include <string>

#include "handling/ApprovalPrompt.h"

namespace korvane {

class DeviceApproval;
class LogView;

// The approval question of a program without a window to ask in (korvane-host): nobody can
// answer, so a phone that is not approved is refused for the rest of the run at its first
// request, and a log line says so and how to approve it. DeviceApproval keeps only its latest
// refusals (DeviceApproval::kMostRefused): a flood of new keys costs a bounded memory, and an
// older one is logged and refused once more at its next request. Any thread.
class RefusingPrompt : public ApprovalPrompt {
  public:
    explicit RefusingPrompt(LogView& log) : mLog(log) {}

    // The approval that asks this prompt; set once, before requests arrive.
    void attach(DeviceApproval& approval) { mApproval = &approval; }

    // Logs "[time][key][address]" and the refusal, and answers Refuse at once.
    void ask(const std::string& clientKey, const std::string& address) override;

  private:
    LogView& mLog;
    DeviceApproval* mApproval = nullptr;
};

}  // namespace korvane
