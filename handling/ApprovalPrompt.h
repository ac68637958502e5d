#pragma once

#include <string>

namespace korvane {

// The user's answer to the question whether a phone may use the desktop.
enum class ApprovalAnswer {
    // 許可: approved for good, kept with the settings.
    Always,
    // 今回のみ許可: approved until the program ends.
    ThisRun,
    // 拒否: refused until the program ends; not asked again.
    Refuse,
    // The prompt was closed without an answer: asked again at the phone's next request.
    Dismissed,
};

// Asks the user whether a phone may use the desktop. The window implements it with a prompt that
// leaves the keyboard focus where it is; tests answer it themselves.
class ApprovalPrompt {
  public:
    virtual ~ApprovalPrompt() = default;
    // Shows the question for the phone's key and address, and returns at once, never waiting
    // for the user: the answer comes later through DeviceApproval::answer, from any thread.
    // Called from a server thread, with no lock of request handling held.
    virtual void ask(const std::string& clientKey, const std::string& address) = 0;
};

}  // namespace korvane
