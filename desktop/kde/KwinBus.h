#pragma once

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <string>

typedef struct _GDBusConnection GDBusConnection;
typedef struct _GDBusMessage GDBusMessage;

namespace korvane::kde {

// A private connection to the session bus (not the one the accessibility library shares), for
// KWin's D-Bus interfaces, and the mailbox the KWin scripts of this program answer into: a script
// calls `report(token, text)` on this connection's unique name (callDBus), and the caller waiting
// for that token gets the text.
//
// Thread-safe: the bus library's own thread receives the reports.
class KwinBus {
  public:
    static constexpr const char* kReportPath = "/org/korvane/Report";
    static constexpr const char* kReportInterface = "org.korvane.Report";

    KwinBus();
    ~KwinBus();
    KwinBus(const KwinBus&) = delete;
    KwinBus& operator=(const KwinBus&) = delete;

    // Null when the session bus could not be reached (`failure` says why).
    GDBusConnection* connection() const { return mConnection; }
    const std::string& failure() const { return mFailure; }
    // The name KWin's scripts call back.
    std::string uniqueName() const;

    // A token no earlier question used.
    std::string newToken();
    // Waits up to `budget` for the report of `token`; nothing when none came. Reports of tokens
    // nobody waits for any more are dropped.
    std::optional<std::string> waitForReport(const std::string& token,
                                             std::chrono::milliseconds budget);

  private:
    static GDBusMessage* filter(GDBusConnection* connection, GDBusMessage* message, int incoming,
                                void* data);

    GDBusConnection* mConnection = nullptr;
    unsigned mFilter = 0;
    std::string mFailure;
    std::mutex mLock;
    std::condition_variable mArrived;
    std::map<std::string, std::string> mReports;
    std::uint64_t mNextToken = 1;
};

}  // namespace korvane::kde
