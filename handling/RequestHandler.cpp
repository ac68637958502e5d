#include "handling/RequestHandler.h"

#include <algorithm>

#include "handling/ApprovalCode.h"
#include "handling/BarcodeText.h"
#include "handling/DeviceApproval.h"
#include "handling/LogTags.h"
#include "handling/Protocol.h"
#include "handling/RequestFields.h"
#include "handling/ScanHistory.h"
#include "handling/TypedWindowKinds.h"
#include "platform/LogText.h"
#include "platform/Timestamp.h"
#include "platform/VisibleText.h"
#include "server/Framing.h"
#include "server/ServerError.h"
#include "server/ServerMessages.h"

namespace korvane {
namespace {

using protocol::Result;

// Desktop commands one peer may have waiting or running at once; a phone has one.
constexpr std::size_t kDesktopCommandsPerPeer = 2;

// The field a command reads; a request without it is malformed.
const std::string& field(const std::vector<std::string>& fields, std::size_t index) {
    if (index >= fields.size()) {
        throw ServerError(logtag::kFieldMissing + std::to_string(index) + logtag::kFieldMissingEnd);
    }
    return fields[index];
}

std::int32_t intField(const std::vector<std::string>& fields, std::size_t index) {
    return parseInt32(field(fields, index));
}

std::string clientLine(const std::string& address, const char* tag, const std::string& text) {
    return "[" + address + "]" + tag + text;
}

// What the scan history says of a barcode request that found its window.
std::string scanResult(bool repeat, const DesktopError& typingError) {
    if (repeat) {
        return "skipped: duplicate";
    }
    if (!typingError) {
        return "typed";
    }
    if (typingError.kind() == DesktopError::Kind::NotTaken) {
        return "not delivered";
    }
    return "not typed: " + typingError.message();
}

bool approvedForGood(const DeviceApproval& approval, const std::string& clientKey) {
    const std::vector<ApprovedDevice> devices = approval.devices();
    return std::any_of(devices.begin(), devices.end(),
                       [&](const ApprovedDevice& d) { return d.clientKey == clientKey; });
}

}  // namespace

RequestHandler::RequestHandler(Desktop& desktop, LogView& logView, ListenerView& listenerView,
                               std::string captureFile, DeviceApproval* approval)
    : mDesktop(desktop),
      mLogView(logView),
      mListenerView(listenerView),
      mCaptureFile(std::move(captureFile)),
      mApproval(approval),
      mDesktopQueue(kDesktopCommandsPerPeer) {}

ServerHooks RequestHandler::hooks() {
    return {.onEvent = [this](const ServerEvent& event) { onServerEvent(event); },
            .onRequest = [this](const ReceivedRequest& request) { return route(request); }};
}

RequestRoute RequestHandler::route(const ReceivedRequest& request) {
    // Only the code is read here, on the listener's thread, whatever the request's size: the
    // fields are split once, by the thread that answers.
    const std::vector<std::string> head = splitRequest(request.data, protocol::kCodeField + 1);
    // A request without a readable code is answered at once: by its failure.
    bool quick = true;
    if (!head.empty()) {
        try {
            quick = !protocol::usesDesktop(parseInt32(head[protocol::kCodeField]));
        } catch (...) {
        }
    }
    return {.quick = quick,
            .answer = [this, request] { return answer(request, splitRequest(request.data)); }};
}

void RequestHandler::addLog(const std::string& source, const std::string& text) {
    std::lock_guard guard(mLogLock);
    insertLine(source, text, std::nullopt);
}

void RequestHandler::addSecurityLog(SecurityLines::Kind kind, const std::string& source,
                                    const std::string& text) {
    std::lock_guard guard(mLogLock);
    insertLine(source, text, kind);
}

void RequestHandler::addLimitLog(const std::string& source, const std::string& text) {
    std::lock_guard guard(mLogLock);
    const auto now = std::chrono::steady_clock::now();
    std::optional<SecurityLines::Kind> kept;
    if (!mLastLimitLine || now - *mLastLimitLine >= kLimitGap) {
        mLastLimitLine = now;
        kept = SecurityLines::Kind::Warning;
    }
    insertLine(source, text, kept);
}

void RequestHandler::insertLine(const std::string& source, const std::string& text,
                                std::optional<SecurityLines::Kind> kept) {
    try {
        std::string line = bracketedTimestamp() + "[" + source + "]" + boundedLogText(text);
        mLogView.insertLogLine(line);
        if (kept) {
            mSecurityLines.add(*kept, std::move(line));
        }
    } catch (...) {
        // A line that cannot be made is lost; logging never fails its caller.
    }
}

void RequestHandler::listenerStopped() {
    std::lock_guard guard(mLogLock);
    mListenerView.listenerStopped();
}

void RequestHandler::onServerEvent(const ServerEvent& event) {
    switch (event.kind) {
        case EventKind::Information:
            addLog(logtag::kServerSource, logtag::kListenerInformation + event.data);
            break;
        case EventKind::ClientError:
            if (event.error == msg::kTooManyConnections) {
                addLimitLog(event.clientKey,
                            clientLine(event.address, logtag::kClientError, event.error));
            } else {
                addLog(event.clientKey,
                       clientLine(event.address, logtag::kClientError, event.error));
            }
            break;
        case EventKind::ListenerError:
            addLog(logtag::kServerSource, logtag::kListenerError + event.error);
            listenerStopped();
            break;
        case EventKind::ListenerEnded:
            addLog(logtag::kServerSource, logtag::kListenerInformation + event.data);
            listenerStopped();
            break;
    }
}

RequestOutcome RequestHandler::answer(const ReceivedRequest& received,
                                      const std::vector<std::string>& fields) {
    const std::int32_t code = intField(fields, protocol::kCodeField);
    const Request request{received.address, received.clientKey, received.data, fields};
    if (code == static_cast<std::int32_t>(protocol::RequestCode::SettingsCheck)) {
        return confirmSettings(request);
    }
    if (protocol::usesDesktop(code)) {
        return runDesktopCommand(request, code);
    }
    return rejectUnsupported(request, code);
}

RequestOutcome RequestHandler::confirmSettings(const Request& request) {
    addLog(request.clientKey, clientLine(request.address, logtag::kClientReceive,
                                         logtag::kSettingsCheckRequest + request.data));
    RequestOutcome outcome{.reply = protocol::settingsReply()};
    addLog(request.clientKey,
           clientLine(request.address, logtag::kClientSend, logtag::kSettingsCheckReply));
    // Setting a phone up is where the user approves it: the check raises the question.
    if (mApproval != nullptr) {
        mApproval->admits(request.clientKey, request.address);
    }
    return outcome;
}

RequestOutcome RequestHandler::runDesktopCommand(const Request& request, std::int32_t code) {
    const bool types = protocol::typesBarcode(code);
    addLog(request.clientKey, types ? clientLine(request.address, logtag::kClientReceive,
                                                 logtag::kBarcodeRequest + request.data)
                                    : clientLine(request.address, logtag::kClientRequest,
                                                 logtag::kCaptureRequest + request.data));
    const CodeScan scan = types ? scanApprovalCode(request) : CodeScan::Barcode;
    if (scan != CodeScan::Approved && mApproval != nullptr &&
        !mApproval->admits(request.clientKey, request.address)) {
        return refuse(request, code, logtag::kNotApproved);
    }
    const bool typing = types && scan == CodeScan::Barcode;
    if (scan == CodeScan::Known) {
        addLog(request.clientKey,
               clientLine(request.address, logtag::kClientSkip, logtag::kApprovalCodeNotTyped));
    }
    if (typing) {
        const std::string refusal = barcodeRefusal(field(request.fields, protocol::kBarcodeField));
        if (!refusal.empty()) {
            return refuse(request, code, refusal);
        }
    }
    std::optional<DesktopQueue::Turn> turn = mDesktopQueue.enter(request.address);
    if (!turn) {
        return refuse(request, code, logtag::kTooManyCommands);
    }
    // A capture alone pauses from here, with finding the window inside its pause rather than
    // before it; after typing, the pause starts once the keys are in.
    const auto turnStart = std::chrono::steady_clock::now();
    const HandlingOptions options = currentOptions();
    // Asked at the turn, not before: the session may have been locked while the request waited.
    if (mDesktop.sessionLocked()) {
        return refuseWhileLocked(request, code, options, typing);
    }
    DesktopResult<FocusedWindow> focused = mDesktop.focusedWindow();
    if (!focused) {
        RequestOutcome refusal = refuse(request, code, logtag::kNoTargetWindow);
        if (typing) {
            recordScan(options, request, field(request.fields, protocol::kBarcodeField),
                       "not typed: " + focused.error().message());
        }
        return refusal;
    }
    const WindowHandle window = focused->window;
    const Point caret = focused->caret.value_or(Point{});

    // Only the capture's failure reaches the phone; typing failures are not reported to it.
    const DesktopError captureError = typing ? typeAndCapture(request, code, options, *focused)
                                             : capture(request, code, window, caret, turnStart);

    if (!captureError) {
        return sendCapture(request, code);
    }
    const std::string failure = logtag::kCaptureFailed + captureError.message();
    RequestOutcome outcome{.reply = protocol::reply(code, Result::CaptureFailed, failure)};
    addLog(request.clientKey, clientLine(request.address, logtag::kClientSend, failure));
    return outcome;
}

RequestHandler::CodeScan RequestHandler::scanApprovalCode(const Request& request) {
    if (mApprovalCode == nullptr) {
        return CodeScan::Barcode;
    }
    const std::string& barcode = field(request.fields, protocol::kBarcodeField);
    const ApprovalCode::Match match = mApprovalCode->match(barcode);
    if (match == ApprovalCode::Match::Other) {
        return CodeScan::Barcode;
    }
    // A phone approved for good keeps the code for the phone it was shown for.
    if (match == ApprovalCode::Match::Valid && mApproval != nullptr &&
        !approvedForGood(*mApproval, request.clientKey) && mApprovalCode->use(barcode)) {
        mApproval->answer(request.clientKey, request.address, ApprovalAnswer::Always);
        addSecurityLog(SecurityLines::Kind::Decision, request.clientKey,
                       clientLine(request.address, logtag::kClientApproval,
                                  logtag::kApprovedByCode +
                                      visibleText(request.clientKey, LineBreaks::Escape) +
                                      logtag::kApprovedByCodeAddress +
                                      visibleText(request.address, LineBreaks::Escape)));
        return CodeScan::Approved;
    }
    return CodeScan::Known;
}

DesktopError RequestHandler::typeAndCapture(const Request& request, std::int32_t code,
                                            const HandlingOptions& options,
                                            const FocusedWindow& focused) {
    const WindowHandle window = focused.window;
    const Point caret = focused.caret.value_or(Point{});
    DesktopError captureError;
    const bool captureFirst =
        field(request.fields, protocol::kCaptureOrderField) == protocol::kCaptureBeforeSuffix;
    const std::string& barcode = field(request.fields, protocol::kBarcodeField);
    const DuplicateGuard::Clock::time_point now = DuplicateGuard::Clock::now();
    // A repeat is answered as a typed barcode, capture included: the phone sees no
    // difference, only nothing reaches the window.
    const bool repeat =
        mDuplicates.isRepeat(request.clientKey, barcode, now, options.duplicateWindow);
    DesktopError typingError;
    if (repeat) {
        addLog(request.clientKey, clientLine(request.address, logtag::kClientSkip,
                                             logtag::kDuplicateSkipped + barcode));
    } else {
        typingError = enterText(focused, barcode, options);
        if (typingError.kind() == DesktopError::Kind::NotTaken) {
            // Not remembered: the staff scan again once the right window has the focus.
            addLog(request.clientKey,
                   clientLine(request.address, logtag::kClientError, logtag::kPasteNotTaken));
        } else if (typingError) {
            addLog(request.clientKey, clientLine(request.address, logtag::kClientError,
                                                 logtag::kTypingFailed + typingError.message()));
        } else {
            mDuplicates.remember(request.clientKey, barcode, now, options.duplicateWindow);
        }
    }
    if (captureFirst) {
        captureError = capture(request, code, window, caret, std::chrono::steady_clock::now());
    }
    // The keys follow a paste the window did not take all the same: a window may take it after
    // the wait, and the Enter is then what it needs.
    const bool keysFollow =
        !repeat && (!typingError || typingError.kind() == DesktopError::Kind::NotTaken);
    if (keysFollow) {
        const DesktopError keyError =
            mDesktop.pressSuffixKey(window, field(request.fields, protocol::kSuffixField));
        if (keyError) {
            addLog(request.clientKey, clientLine(request.address, logtag::kClientError,
                                                 logtag::kSuffixKeyFailed + keyError.message()));
        }
    }
    if (!captureFirst) {
        captureError = capture(request, code, window, caret, std::chrono::steady_clock::now());
    }
    recordScan(options, request, barcode, scanResult(repeat, typingError));
    return captureError;
}

RequestOutcome RequestHandler::sendCapture(const Request& request, std::int32_t code) {
    // Opened while the desktop's turn is held: the next capture cannot change what is sent.
    RequestOutcome outcome{
        .file = OutgoingFile::open(mCaptureFile, protocol::kCaptureFileName, ""),
        .afterFile = [this, key = request.clientKey,
                      line = clientLine(request.address, logtag::kClientSend,
                                        logtag::kCaptureDone)] { addLog(key, line); },
        .reply = protocol::reply(code, Result::Done)};
    addLog(request.clientKey, clientLine(request.address, logtag::kClientSendFile, ""));
    return outcome;
}

DesktopError RequestHandler::enterText(const FocusedWindow& focused, const std::string& text,
                                       const HandlingOptions& options) {
    const bool automatic = options.inputMethod == InputMethod::Automatic && options.typedKinds;
    if (options.inputMethod == InputMethod::TypeKeys ||
        (automatic && options.typedKinds->contains(focused.kind))) {
        return mDesktop.typeText(focused.window, text, options.keyDelay);
    }
    DesktopError error = options.restoreClipboard
                             ? mDesktop.pasteTextRestoringClipboard(focused.window, text)
                             : mDesktop.pasteText(focused.window, text);
    if (automatic && error.kind() == DesktopError::Kind::NotTaken) {
        // This scan is lost as any paste's miss is; the kind's next ones are typed.
        options.typedKinds->learn(focused.kind);
    }
    return error;
}

void RequestHandler::recordScan(const HandlingOptions& options, const Request& request,
                                const std::string& barcode, const std::string& result) {
    if (options.history) {
        options.history->append(
            {ScanHistory::timeNow(), request.clientKey, request.address, barcode, result});
    }
}

void RequestHandler::setOptions(HandlingOptions options) {
    std::lock_guard guard(mOptionsLock);
    mOptions = std::move(options);
}

HandlingOptions RequestHandler::currentOptions() {
    std::lock_guard guard(mOptionsLock);
    return mOptions;
}

DesktopError RequestHandler::capture(const Request& request, std::int32_t code, WindowHandle window,
                                     Point caret, std::chrono::steady_clock::time_point pauseFrom) {
    using protocol::RequestCode;
    const std::vector<std::string>& fields = request.fields;
    switch (static_cast<RequestCode>(code)) {
        case RequestCode::Barcode:
            return mDesktop.capture(window, caret, CaptureShape::centred(),
                                    intField(fields, protocol::kDelayField), pauseFrom,
                                    mCaptureFile);
        case RequestCode::Capture:
            return mDesktop.capture(window, caret, CaptureShape::centred(), 0, pauseFrom,
                                    mCaptureFile);
        case RequestCode::BarcodeShaped:
            return mDesktop.capture(
                window, caret,
                CaptureShape::ratio(intField(fields, protocol::kBarcodeWidthField),
                                    intField(fields, protocol::kBarcodeHeightField)),
                intField(fields, protocol::kDelayField), pauseFrom, mCaptureFile);
        default:
            return mDesktop.capture(
                window, caret,
                CaptureShape::ratio(intField(fields, protocol::kCaptureWidthField),
                                    intField(fields, protocol::kCaptureHeightField)),
                0, pauseFrom, mCaptureFile);
    }
}

RequestOutcome RequestHandler::rejectUnsupported(const Request& request, std::int32_t code) {
    addLog(request.clientKey, clientLine(request.address, logtag::kClientRequest,
                                         logtag::kUnsupportedRequest + request.data));
    RequestOutcome outcome{.reply = protocol::reply(code, Result::NotDone, logtag::kUnsupported)};
    addLog(request.clientKey,
           clientLine(request.address, logtag::kClientSend, logtag::kUnsupported));
    return outcome;
}

RequestOutcome RequestHandler::refuseWhileLocked(const Request& request, std::int32_t code,
                                                 const HandlingOptions& options, bool typing) {
    addLog(request.clientKey,
           clientLine(request.address, logtag::kClientError, logtag::kSessionLocked));
    if (typing) {
        recordScan(options, request, field(request.fields, protocol::kBarcodeField),
                   "not typed: session locked");
    }
    return RequestOutcome{.reply = protocol::reply(code, Result::NotDone)};
}

RequestOutcome RequestHandler::refuse(const Request& request, std::int32_t code,
                                      const std::string& why) {
    RequestOutcome outcome{.reply = protocol::reply(code, Result::NotDone)};
    const std::string line = clientLine(request.address, logtag::kClientSend, why);
    if (why == logtag::kTooManyCommands) {
        addLimitLog(request.clientKey, line);
    } else {
        addLog(request.clientKey, line);
    }
    return outcome;
}

}  // namespace korvane
