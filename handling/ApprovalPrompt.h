#pragma once

#include <string>

namespace korvane {

// The user's answer about a phone that asked to use the desktop.
enum class ApprovalAnswer {
    // 許可: approved for good, kept with the settings.
    Always,
    // 今回のみ許可: approved until the program ends.
    ThisRun,
    // The key refused until the program ends: its requests are refused without being listed.
    // The address's entry leaves the list; another key from there is listed again.
    Refuse,
    // 拒否 in the window: the key and the address it asked from refused until the program ends,
    // so that a stranger sending new keys from there is not listed again either.
    RefuseAddress,
};

// Where the phones that wait for approval are shown. The window shows the list of them
// (DeviceApproval::waitingPhones) without taking the keyboard focus; korvane-host refuses them;
// tests answer themselves.
class ApprovalPrompt {
  public:
    virtual ~ApprovalPrompt() = default;
    // A phone that is not approved joined the list of waiting phones (its address was not on
    // it). Returns at once, never waiting for the user: the answer comes later through
    // DeviceApproval::answer, from any thread. Called from a server thread, with no lock of
    // request handling held.
    virtual void ask(const std::string& clientKey, const std::string& address) = 0;
};

}  // namespace korvane
