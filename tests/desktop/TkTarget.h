#pragma once

#include <memory>
#include <string>

#include "tests/desktop/ChildProcess.h"

namespace korvane::test {

// The Tk program of tk_target.py: an entry at (200, 150), 400 x 60 on the screen, and coloured
// patches on request.
class TkTarget {
  public:
    static constexpr int kLeft = 200;
    static constexpr int kTop = 150;

    TkTarget();

    // Gives the entry the keyboard focus; the id of the Tk top-level window.
    unsigned long focus();
    // The entry's text.
    std::string text();
    // Waits until the entry holds `expected` (up to 5 s); the text it holds then.
    std::string waitForText(const std::string& expected);
    // The raw JSON answer to one command.
    std::string ask(const std::string& command);
    pid_t pid() const { return mProcess->pid(); }

  private:
    std::unique_ptr<ChildProcess> mProcess;
};

// The value of a JSON string literal.
std::string jsonString(const std::string& json);

}  // namespace korvane::test
