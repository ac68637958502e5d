#include "handling/RequestHandler.h"

#include "handling/BarcodeText.h"
#include "handling/DeviceApproval.h"
#include "handling/Protocol.h"
#include "handling/RequestFields.h"
#include "handling/ScanHistory.h"
#include "platform/LogText.h"
#include "platform/Timestamp.h"
#include "server/Connection.h"
#include "server/Framing.h"
#include "server/RequestServer.h"
#include "server/ServerError.h"

namespace korvane {
namespace {

using protocol::Result;

constexpr char kNotApproved[] = "未承認の端末からの要求です。";
constexpr char kTooManyCommands[] = "この端末からの要求が多すぎるため拒否しました。";
// Desktop commands one peer may have waiting or running at once; a phone has one.
constexpr std::size_t kDesktopCommandsPerPeer = 2;

constexpr char kUnsupported[] =
    "このリクエストはサポートされていません。サーバー側プログラムのバージョンをチェックしてください"
    "。";

// The field a command reads; a request without it is malformed.
const std::string& field(const std::vector<std::string>& fields, std::size_t index) {
    if (index >= fields.size()) {
        throw ServerError("要求の項目 " + std::to_string(index) + " がありません。");
    }
    return fields[index];
}

std::int32_t intField(const std::vector<std::string>& fields, std::size_t index) {
    return parseInt32(field(fields, index));
}

std::string clientLine(const std::string& address, const char* tag, const std::string& text) {
    return "[" + address + "]" + tag + text;
}

}  // namespace

RequestHandler::RequestHandler(Desktop& desktop, LogView& logView, ListenerView& listenerView,
                               MessageBoxes& boxes, std::string captureFile,
                               DeviceApproval* approval)
    : mDesktop(desktop),
      mLogView(logView),
      mListenerView(listenerView),
      mCaptureFile(std::move(captureFile)),
      mApproval(approval),
      mPendingReplies(boxes),
      mDesktopQueue(kDesktopCommandsPerPeer) {}

void RequestHandler::attach(RequestServer& server) {
    mServer = &server;
    // Only the desktop's commands wait (for the desktop, a pause, a prompt); the settings check,
    // the unsupported codes and the malformed requests are answered at once.
    server.setQuickRequests([](const std::string& data) {
        // Only the code is read: this runs on the listener's thread, whatever the request's size.
        const std::vector<std::string> fields = splitRequest(data, protocol::kCodeField + 1);
        if (fields.empty()) {
            return true;
        }
        try {
            return !protocol::usesDesktop(parseInt32(fields[protocol::kCodeField]));
        } catch (...) {
            return true;
        }
    });
}

void RequestHandler::addLog(const std::string& source, const std::string& text) {
    std::lock_guard guard(mLogLock);
    try {
        mLogView.insertLogLine(bracketedTimestamp() + "[" + source + "]" + boundedLogText(text));
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
            addLog("Server", "[Listner_Information]" + event.data);
            break;
        case EventKind::ClientError:
            // A capture whose file never arrived leaves no reply behind.
            if (event.connectionId != 0) {
                mPendingReplies.take(event.connectionId);
            }
            addLog(event.clientKey, clientLine(event.address, "[Client_Error]", event.error));
            break;
        case EventKind::Request:
        case EventKind::Finished:
            handleRequest(event);
            break;
        case EventKind::ListenerError:
            addLog("Server", "[Lister_Error]" + event.error);
            listenerStopped();
            break;
        case EventKind::ListenerEnded:
            addLog("Server", "[Listner_Information]" + event.data);
            listenerStopped();
            break;
    }
}

void RequestHandler::handleRequest(const ServerEvent& event) {
    const std::vector<std::string> fields = splitRequest(event.data);
    const std::int32_t code = intField(fields, protocol::kCodeField);
    const Request request{*event.connection, event.address, event.clientKey, event.data, fields};
    if (code == static_cast<std::int32_t>(protocol::RequestCode::SettingsCheck)) {
        if (event.serial == 0) {
            confirmSettings(request);
        }
    } else if (protocol::usesDesktop(code)) {
        if (event.serial == 0) {
            runDesktopCommand(request, code);
        } else if (event.serial == protocol::kFileSerial) {
            sendPendingReply(event);
        }
    } else if (event.serial == 0) {
        rejectUnsupported(request, code);
    }
}

void RequestHandler::confirmSettings(const Request& request) {
    addLog(request.clientKey,
           clientLine(request.address, "[Client_Receive]", "設定確認要求:" + request.data));
    mServer->reply(request.connection, protocol::kReplySerial, protocol::settingsReply());
    addLog(request.clientKey, clientLine(request.address, "[Client_Send]", "設定確認応答:"));
    // Setting a phone up is where the user approves it: the check raises the question.
    if (mApproval != nullptr) {
        mApproval->admits(request.clientKey, request.address);
    }
}

void RequestHandler::runDesktopCommand(const Request& request, std::int32_t code) {
    const bool types = protocol::typesBarcode(code);
    addLog(request.clientKey, types ? clientLine(request.address, "[Client_Receive]",
                                                 "バーコード送信要求:" + request.data)
                                    : clientLine(request.address, "[Client_Request]",
                                                 "キャプチャ要求:" + request.data));
    if (mApproval != nullptr && !mApproval->admits(request.clientKey, request.address)) {
        refuse(request, code, kNotApproved);
        return;
    }
    if (types) {
        const std::string refusal = barcodeRefusal(field(request.fields, protocol::kBarcodeField));
        if (!refusal.empty()) {
            refuse(request, code, refusal);
            return;
        }
    }
    std::optional<DesktopQueue::Turn> turn = mDesktopQueue.enter(request.address);
    if (!turn) {
        refuse(request, code, kTooManyCommands);
        return;
    }
    // A capture alone pauses from here, with finding the window inside its pause rather than
    // before it; after typing, the pause starts once the keys are in.
    const auto turnStart = std::chrono::steady_clock::now();
    const HandlingOptions options = currentOptions();
    DesktopResult<FocusedWindow> focused = mDesktop.focusedWindow();
    if (!focused) {
        refuse(request, code, "送信先の検索に失敗しました。");
        if (types) {
            recordScan(options, request, field(request.fields, protocol::kBarcodeField),
                       "not typed: " + focused.error().message());
        }
        return;
    }
    const WindowHandle window = focused->window;
    const Point caret = focused->caret.value_or(Point{});

    // Only the capture's failure reaches the phone; typing failures are not reported to it.
    DesktopError captureError;
    if (types) {
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
            addLog(request.clientKey,
                   clientLine(request.address, "[Client_Skip]",
                              "重複スキャンのため入力しませんでした:" + barcode));
        } else {
            typingError = enterText(window, barcode, options);
            if (typingError) {
                addLog(request.clientKey,
                       clientLine(request.address, "[Client_Error]",
                                  "バーコードの入力に失敗しました:" + typingError.message()));
            } else {
                mDuplicates.remember(request.clientKey, barcode, now, options.duplicateWindow);
            }
        }
        if (captureFirst) {
            captureError = capture(request, code, window, caret, std::chrono::steady_clock::now());
        }
        if (!typingError && !repeat) {
            const DesktopError keyError =
                mDesktop.pressSuffixKey(window, field(request.fields, protocol::kSuffixField));
            if (keyError) {
                addLog(request.clientKey,
                       clientLine(request.address, "[Client_Error]",
                                  "サフィックスキーの入力に失敗しました:" + keyError.message()));
            }
        }
        if (!captureFirst) {
            captureError = capture(request, code, window, caret, std::chrono::steady_clock::now());
        }
        recordScan(options, request, barcode,
                   repeat        ? "skipped: duplicate"
                   : typingError ? "not typed: " + typingError.message()
                                 : "typed");
    } else {
        captureError = capture(request, code, window, caret, turnStart);
    }

    if (!captureError) {
        // Stored before the hand-off: the file's completion may be reported at once, on the
        // sender's thread, and it takes this entry.
        mPendingReplies.put(request.connection.id(),
                            {protocol::reply(code, Result::Done),
                             clientLine(request.address, "[Client_Send]", "キャプチャ成功")});
        mServer->sendFile(request.connection, protocol::kFileSerial, mCaptureFile,
                          protocol::kCaptureFileName, "");
        addLog(request.clientKey, clientLine(request.address, "[Client_SendFile]", ""));
    } else {
        const std::string failure = "キャプチャ失敗:" + captureError.message();
        mServer->reply(request.connection, protocol::kReplySerial,
                       protocol::reply(code, Result::CaptureFailed, failure));
        addLog(request.clientKey, clientLine(request.address, "[Client_Send]", failure));
    }
}

DesktopError RequestHandler::enterText(WindowHandle window, const std::string& text,
                                       const HandlingOptions& options) {
    if (options.inputMethod == InputMethod::TypeKeys) {
        return mDesktop.typeText(window, text, options.keyDelay);
    }
    return options.restoreClipboard ? mDesktop.pasteTextRestoringClipboard(window, text)
                                    : mDesktop.pasteText(window, text);
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

void RequestHandler::sendPendingReply(const ServerEvent& event) {
    std::optional<PendingReply> pending = mPendingReplies.take(event.connectionId);
    const PendingReply reply = pending.value_or(PendingReply{});
    mServer->reply(*event.connection, protocol::kReplySerial, reply.payload);
    addLog(event.clientKey, reply.logLine);
}

void RequestHandler::rejectUnsupported(const Request& request, std::int32_t code) {
    addLog(request.clientKey,
           clientLine(request.address, "[Client_Request]", "サポート外の要求:" + request.data));
    mServer->reply(request.connection, protocol::kReplySerial,
                   protocol::reply(code, Result::NotDone, kUnsupported));
    addLog(request.clientKey, clientLine(request.address, "[Client_Send]", kUnsupported));
}

void RequestHandler::refuse(const Request& request, std::int32_t code, const std::string& why) {
    mServer->reply(request.connection, protocol::kReplySerial,
                   protocol::reply(code, Result::NotDone));
    addLog(request.clientKey, clientLine(request.address, "[Client_Send]", why));
}

}  // namespace korvane
