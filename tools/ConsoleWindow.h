#pragma once

#include <condition_variable>
#include <mutex>
#include <ostream>
#include <string>

#include "core/AddressView.h"
#include "handling/WindowPorts.h"

namespace korvane {

// The window's side of request handling for a program without one: each log line is written to
// `log` as it comes (oldest first, flushed before insertLogLine returns or by a thread writing at
// the same time), an error box's text to `errors`, and the end of listening is remembered for the
// program to wait on. Both are written as visibleText shows them, a log line on one line
// (LineBreaks::Mark), so that no byte of a peer's reaches the terminal as a control. Any thread.
// Of the addresses' changes it shows only the core's log lines: it has no list and no QR code,
// and suspended listening is not its end.
class ConsoleWindow : public LogView, public ListenerView, public MessageBoxes, public AddressView {
  public:
    ConsoleWindow(std::ostream& log, std::ostream& errors) : mLog(log), mErrors(errors) {}

    void insertLogLine(const std::string& line) override;
    // Writes the program's own text to the log's stream as it is, between two log lines: no
    // byte of it comes from the network.
    void writeOwnText(const std::string& text);
    void listenerStopped() override;
    void showError(const std::string& text) override;
    void addressesChanged(const std::vector<LocalAddress>&) override {}
    void listeningSuspended(const std::string&) override {}
    void listeningResumed(const std::string&) override {}

    // Returns once listening has ended.
    void waitUntilStopped();

  private:
    // Writes `text` after what waits, or leaves it to the thread writing now.
    void write(const std::string& text);

    std::mutex mLock;
    std::condition_variable mChanged;
    std::ostream& mLog;
    std::ostream& mErrors;
    bool mStopped = false;
    // Lines that came while another thread was writing: that thread writes them with its next
    // piece, so lines from many connections at once cost one write, not one each.
    std::string mPending;
    bool mWriting = false;
};

}  // namespace korvane
