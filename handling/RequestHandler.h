#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "desktop/Desktop.h"
#include "handling/DesktopQueue.h"
#include "handling/DuplicateGuard.h"
#include "handling/HandlingOptions.h"
#include "handling/SecurityLines.h"
#include "handling/WindowPorts.h"
#include "server/RequestOutcome.h"
#include "server/ServerHooks.h"

namespace korvane {

class ApprovalCode;
class DeviceApproval;

// The application's reaction to the request server: it logs every event, returns the window to the
// stopped state when listening ends, and carries out the phone's commands (settings check, barcode
// typing, captures), answering each with what the server is to send (RequestOutcome).
//
// A command that would use the desktop is refused with (code, "0") and a log line, before the
// desktop is touched, when the phone is not approved, when its barcode carries text no barcode
// needs (BarcodeText.h), or when its peer already has its share of commands waiting
// (DesktopQueue); and at its turn, when the session is locked (Desktop::sessionLocked), with a
// [Client_Error] line and nothing typed or captured. A typing or suffix-key failure gets a log line
// of its own; the phone's reply speaks only of the capture.
//
// A barcode that is the valid approval code (ApprovalCode.h), from a phone not approved for good,
// approves that phone for good and spends the code. Whatever the phone, a code of this run is
// never typed: an admitted phone's is answered as a typed barcode is (the capture, then the reply)
// with nothing typed, so the phone shows success; a phone still not admitted is refused as usual.
class RequestHandler {
  public:
    // `approval` null: every phone may use the desktop. What is given must outlive the handler.
    RequestHandler(Desktop& desktop, LogView& logView, ListenerView& listenerView,
                   std::string captureFile, DeviceApproval* approval = nullptr);

    // The user's choices for barcodes; the defaults until this is called. Any thread: a command
    // under way finishes with the options it started with.
    void setOptions(HandlingOptions options);

    // The approval code that phones may scan; none until this is called. Called once, before
    // requests arrive; `code` must outlive the handler. Without an approval (every phone may use
    // the desktop) a code approves nobody and is only kept from being typed.
    void setApprovalCode(ApprovalCode& code) { mApprovalCode = &code; }

    // What a RequestServer is built with to be joined to this handler: its events go to
    // onServerEvent, its requests to route. The handler must outlive the server.
    ServerHooks hooks();

    // Logs the server's event; never fails.
    void onServerEvent(const ServerEvent& event);

    // Reads the request's code and says how it is answered: the settings check, the unsupported
    // codes and the malformed requests at once, the desktop's commands (which wait for the
    // desktop, a pause, a prompt) on a thread of their own. The answer splits the fields once and
    // throws only for a malformed request, so that the server closes that connection and reports
    // it.
    RequestRoute route(const ReceivedRequest& request);

    // Writes one time-stamped log line "[time][source]text" at the top of the log, the text cut
    // as boundedLogText cuts it; never fails.
    void addLog(const std::string& source, const std::string& text);
    // The same line, also kept among the security lines.
    void addSecurityLog(SecurityLines::Kind kind, const std::string& source,
                        const std::string& text);
    // The lines about approval, refusal and limits: a limit reached (too many connections, too
    // many commands of one phone) is kept once in kLimitGap, the log has every one.
    const SecurityLines& securityLines() const { return mSecurityLines; }
    static constexpr std::chrono::seconds kLimitGap{10};

  private:
    // What a command needs of its request.
    struct Request {
        const std::string& address;
        const std::string& clientKey;
        const std::string& data;
        const std::vector<std::string>& fields;
    };

    RequestOutcome answer(const ReceivedRequest& received, const std::vector<std::string>& fields);
    RequestOutcome confirmSettings(const Request& request);
    RequestOutcome runDesktopCommand(const Request& request, std::int32_t code);
    // What the barcode of a 102 or 104 is to the approval code.
    enum class CodeScan {
        Barcode,   // no approval code: the barcode goes the usual way
        Approved,  // the valid code: the phone was approved for good by it just now
        Known,     // a code of this run otherwise: never typed
    };
    CodeScan scanApprovalCode(const Request& request);
    // Types the barcode (unless the duplicate guard skips it), presses its suffix key and takes
    // the capture, in the order the request asks; the capture's failure.
    DesktopError typeAndCapture(const Request& request, std::int32_t code,
                                const HandlingOptions& options, const FocusedWindow& focused);
    // The answer to a capture taken: the picture, then the reply once the phone has it.
    RequestOutcome sendCapture(const Request& request, std::int32_t code);
    // The capture the request asks for, its pause counted from `pauseFrom`.
    DesktopError capture(const Request& request, std::int32_t code, WindowHandle window,
                         Point caret, std::chrono::steady_clock::time_point pauseFrom);
    // Pastes or types as the options say; with the automatic method, a paste the window did not
    // take teaches its kind.
    DesktopError enterText(const FocusedWindow& focused, const std::string& text,
                           const HandlingOptions& options);
    static void recordScan(const HandlingOptions& options, const Request& request,
                           const std::string& barcode, const std::string& result);
    HandlingOptions currentOptions();
    RequestOutcome rejectUnsupported(const Request& request, std::int32_t code);
    // Answers (code, "0") without touching the desktop, and logs why.
    RequestOutcome refuse(const Request& request, std::int32_t code, const std::string& why);
    // Answers (code, "0") for a locked session, logs it as an error and records a barcode about
    // to be typed (`typing`) as not typed.
    RequestOutcome refuseWhileLocked(const Request& request, std::int32_t code,
                                     const HandlingOptions& options, bool typing);
    void listenerStopped();
    void addLimitLog(const std::string& source, const std::string& text);
    void insertLine(const std::string& source, const std::string& text,
                    std::optional<SecurityLines::Kind> kept);

    Desktop& mDesktop;
    LogView& mLogView;
    ListenerView& mListenerView;
    const std::string mCaptureFile;
    DeviceApproval* const mApproval;
    ApprovalCode* mApprovalCode = nullptr;
    // Serialises the commands that use the desktop, fairly between peers; a turn may be held
    // while mLogLock is taken.
    DesktopQueue mDesktopQueue;
    // Taken only while a turn of mDesktopQueue is held.
    DuplicateGuard mDuplicates;
    std::mutex mOptionsLock;
    HandlingOptions mOptions;
    // Serialises log lines and the listening controls' changes.
    std::mutex mLogLock;
    SecurityLines mSecurityLines;
    // Under mLogLock.
    std::optional<std::chrono::steady_clock::time_point> mLastLimitLine;
};

}  // namespace korvane
