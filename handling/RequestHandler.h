#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "desktop/Desktop.h"
#include "handling/DuplicateGuard.h"
#include "handling/HandlingOptions.h"
#include "handling/PendingReplies.h"
#include "handling/WindowPorts.h"
#include "server/ServerEvent.h"

namespace korvane {

class Connection;
class RequestServer;

// The application's reaction to the request server: it logs every event, returns the window to the
// stopped state when listening ends, and carries out the phone's commands (settings check, barcode
// typing, captures), replying on the request's connection.
class RequestHandler {
  public:
    RequestHandler(Desktop& desktop, LogView& logView, ListenerView& listenerView,
                   MessageBoxes& boxes, std::string captureFile);

    // The user's choices for barcodes; the defaults until this is called. Any thread: a command
    // under way finishes with the options it started with.
    void setOptions(HandlingOptions options);

    // The server whose events arrive here; set once, before it starts.
    void attach(RequestServer& server) { mServer = &server; }

    // The server's event handler. Lets an error escape only for a malformed request, so that the
    // server closes that connection and reports it.
    void onServerEvent(const ServerEvent& event);

    // Writes one time-stamped log line "[time][source]text" at the top of the log; never fails.
    void addLog(const std::string& source, const std::string& text);

    PendingReplies& pendingReplies() { return mPendingReplies; }

  private:
    // What a command needs of its request.
    struct Request {
        Connection& connection;
        const std::string& address;
        const std::string& clientKey;
        const std::string& data;
        const std::vector<std::string>& fields;
    };

    void handleRequest(const ServerEvent& event);
    void confirmSettings(const Request& request);
    void runDesktopCommand(const Request& request, std::int32_t code);
    DesktopError capture(const Request& request, std::int32_t code, WindowHandle window,
                         Point caret);
    DesktopError enterText(WindowHandle window, const std::string& text,
                           const HandlingOptions& options);
    static void recordScan(const HandlingOptions& options, const Request& request,
                           const std::string& barcode, const std::string& result);
    void sendPendingReply(const ServerEvent& event);
    void rejectUnsupported(const Request& request);
    void listenerStopped();

    Desktop& mDesktop;
    LogView& mLogView;
    ListenerView& mListenerView;
    const std::string mCaptureFile;
    RequestServer* mServer = nullptr;
    PendingReplies mPendingReplies;
    // Both guarded by mInputLock.
    HandlingOptions mOptions;
    DuplicateGuard mDuplicates;
    // Serialises the commands that use the desktop; may be held while mLogLock is taken.
    std::mutex mInputLock;
    // Serialises log lines and the listening controls' changes.
    std::mutex mLogLock;
};

}  // namespace korvane
