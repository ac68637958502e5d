#include "handling/RequestHandler.h"

#include "handling/Protocol.h"
#include "handling/RequestFields.h"
#include "handling/ScanHistory.h"
#include "platform/Timestamp.h"
#include "server/Connection.h"
#include "server/Framing.h"
#include "server/RequestServer.h"
#include "server/ServerError.h"

namespace korvane {
namespace {

using protocol::Result;

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
                               MessageBoxes& boxes, std::string captureFile)
    : mDesktop(desktop),
      mLogView(logView),
      mListenerView(listenerView),
      mCaptureFile(std::move(captureFile)),
      mPendingReplies(boxes) {}

void RequestHandler::addLog(const std::string& source, const std::string& text) {
    std::lock_guard guard(mLogLock);
    try {
        mLogView.insertLogLine(bracketedTimestamp() + "[" + source + "]" + text);
    } catch (...) {
        // A line that cannot be made is lost; logging never fails its caller.
    }
}

void RequestHandler::setOptions(HandlingOptions options) {
    std::lock_guard input(mInputLock);
    mOptions = std::move(options);
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
        rejectUnsupported(request);
    }
}

void RequestHandler::confirmSettings(const Request& request) {
    addLog(request.clientKey,
           clientLine(request.address, "[Client_Receive]", "設定確認要求:" + request.data));
    mServer->reply(request.connection, protocol::kReplySerial, protocol::settingsReply());
    addLog(request.clientKey, clientLine(request.address, "[Client_Send]", "設定確認応答:"));
}

void RequestHandler::runDesktopCommand(const Request& request, std::int32_t code) {
    const bool types = protocol::typesBarcode(code);
    addLog(request.clientKey, types ? clientLine(request.address, "[Client_Receive]",
                                                 "バーコード送信要求:" + request.data)
                                    : clientLine(request.address, "[Client_Request]",
                                                 "キャプチャ要求:" + request.data));
    const std::string& codeText = request.fields[protocol::kCodeField];

    std::lock_guard input(mInputLock);
    const HandlingOptions options = mOptions;
    DesktopResult<FocusedWindow> focused = mDesktop.focusedWindow();
    if (!focused) {
        mServer->reply(request.connection, protocol::kReplySerial,
                       protocol::reply(codeText, Result::NotDone));
        addLog(request.clientKey,
               clientLine(request.address, "[Client_Send]", "送信先の検索に失敗しました。"));
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
            if (!typingError) {
                mDuplicates.remember(request.clientKey, barcode, now, options.duplicateWindow);
            }
        }
        if (captureFirst) {
            captureError = capture(request, code, window, caret);
        }
        if (!typingError && !repeat) {
            (void)mDesktop.pressSuffixKey(window, field(request.fields, protocol::kSuffixField));
        }
        if (!captureFirst) {
            captureError = capture(request, code, window, caret);
        }
        recordScan(options, request, barcode,
                   repeat        ? "skipped: duplicate"
                   : typingError ? "not typed: " + typingError.message()
                                 : "typed");
    } else {
        captureError = capture(request, code, window, caret);
    }

    if (!captureError) {
        // Stored before the hand-off: the file's completion may be reported at once, on the
        // sender's thread, and it takes this entry.
        mPendingReplies.put(request.connection.id(),
                            {protocol::reply(codeText, Result::Done),
                             clientLine(request.address, "[Client_Send]", "キャプチャ成功")});
        mServer->sendFile(request.connection, protocol::kFileSerial, mCaptureFile,
                          protocol::kCaptureFileName, "");
        addLog(request.clientKey, clientLine(request.address, "[Client_SendFile]", ""));
    } else {
        const std::string failure = "キャプチャ失敗:" + captureError.message();
        mServer->reply(request.connection, protocol::kReplySerial,
                       protocol::reply(codeText, Result::CaptureFailed, failure));
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

DesktopError RequestHandler::capture(const Request& request, std::int32_t code, WindowHandle window,
                                     Point caret) {
    using protocol::RequestCode;
    const std::vector<std::string>& fields = request.fields;
    switch (static_cast<RequestCode>(code)) {
        case RequestCode::Barcode:
            return mDesktop.capture(window, caret, CaptureShape::centred(),
                                    intField(fields, protocol::kDelayField), mCaptureFile);
        case RequestCode::Capture:
            return mDesktop.capture(window, caret, CaptureShape::centred(), 0, mCaptureFile);
        case RequestCode::BarcodeShaped:
            return mDesktop.capture(
                window, caret,
                CaptureShape::ratio(intField(fields, protocol::kBarcodeWidthField),
                                    intField(fields, protocol::kBarcodeHeightField)),
                intField(fields, protocol::kDelayField), mCaptureFile);
        default:
            return mDesktop.capture(
                window, caret,
                CaptureShape::ratio(intField(fields, protocol::kCaptureWidthField),
                                    intField(fields, protocol::kCaptureHeightField)),
                0, mCaptureFile);
    }
}

void RequestHandler::sendPendingReply(const ServerEvent& event) {
    std::optional<PendingReply> pending = mPendingReplies.take(event.connectionId);
    const PendingReply reply = pending.value_or(PendingReply{});
    mServer->reply(*event.connection, protocol::kReplySerial, reply.payload);
    addLog(event.clientKey, reply.logLine);
}

void RequestHandler::rejectUnsupported(const Request& request) {
    addLog(request.clientKey,
           clientLine(request.address, "[Client_Request]", "サポート外の要求:" + request.data));
    mServer->reply(
        request.connection, protocol::kReplySerial,
        protocol::reply(request.fields[protocol::kCodeField], Result::NotDone, kUnsupported));
    addLog(request.clientKey, clientLine(request.address, "[Client_Send]", kUnsupported));
}

}  // namespace korvane
