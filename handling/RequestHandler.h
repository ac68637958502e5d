#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "desktop/Desktop.h"
#include "handling/DesktopQueue.h"
#include "handling/DuplicateGuard.h"
#include "handling/HandlingOptions.h"
#include "handling/PendingReplies.h"
#include "handling/WindowPorts.h"
#include "server/ServerEvent.h"

namespace korvane {

class Connection;
class DeviceApproval;
class RequestServer;

// The application's reaction to the request server: it logs every event, returns the window to the
// stopped state when listening ends, and carries out the phone's commands (settings check, barcode
// typing, captures), replying on the request's connection.
//
// A command that would use the desktop is refused with (code, "0") and a log line, before the
// desktop is touched, when the phone is not approved, when its barcode carries text no barcode
// needs (BarcodeText.h), or when its peer already has its share of commands waiting
// (DesktopQueue). A typing or suffix-key failure gets a log line of its own; the phone's reply
// speaks only of the capture.
class RequestHandler {
  public:
    // `approval` null: every phone may use the desktop. What is given must outlive the handler.
    RequestHandler(Desktop& desktop, LogView& logView, ListenerView& listenerView,
                   MessageBoxes& boxes, std::string captureFile,
                   DeviceApproval* approval = nullptr);

    // The user's choices for barcodes; the defaults until this is called. Any thread: a command
    // under way finishes with the options it started with.
    void setOptions(HandlingOptions options);

    // The server whose events arrive here; set once, before it starts.
    void attach(RequestServer& server);

    // The server's event handler. Lets an error escape only for a malformed request, so that the
    // server closes that connection and reports it.
    void onServerEvent(const ServerEvent& event);

    // Writes one time-stamped log line "[time][source]text" at the top of the log, the text cut
    // as boundedLogText cuts it; never fails.
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
    // The capture the request asks for, its pause counted from `pauseFrom`.
    DesktopError capture(const Request& request, std::int32_t code, WindowHandle window,
                         Point caret, std::chrono::steady_clock::time_point pauseFrom);
    DesktopError enterText(WindowHandle window, const std::string& text,
                           const HandlingOptions& options);
    static void recordScan(const HandlingOptions& options, const Request& request,
                           const std::string& barcode, const std::string& result);
    HandlingOptions currentOptions();
    void sendPendingReply(const ServerEvent& event);
    void rejectUnsupported(const Request& request, std::int32_t code);
    // Answers (code, "0") without touching the desktop, and logs why.
    void refuse(const Request& request, std::int32_t code, const std::string& why);
    void listenerStopped();

    Desktop& mDesktop;
    LogView& mLogView;
    ListenerView& mListenerView;
    const std::string mCaptureFile;
    DeviceApproval* const mApproval;
    RequestServer* mServer = nullptr;
    PendingReplies mPendingReplies;
    // Serialises the commands that use the desktop, fairly between peers; a turn may be held
    // while mLogLock is taken.
    DesktopQueue mDesktopQueue;
    // Taken only while a turn of mDesktopQueue is held.
    DuplicateGuard mDuplicates;
    std::mutex mOptionsLock;
    HandlingOptions mOptions;
    // Serialises log lines and the listening controls' changes.
    std::mutex mLogLock;
};

}  // namespace korvane
