#include "handling/RequestHandler.h"

#include "handling/RequestFields.h"
#include "platform/Timestamp.h"
#include "server/SSError.h"
#include "server/SSServerUnit.h"
#include "server/SSUtilUnit.h"

namespace korvane {
namespace {

constexpr std::int32_t kReplySerial = 99;
constexpr std::int32_t kFileSerial = 1;

constexpr char kListenCaption[] = "待ち受け開始";
constexpr char kUnsupported[] =
    "このリクエストはサポートされていません。サーバー側プログラムのバージョンをチェックしてください"
    "。";

// The field a command reads; a request without it is malformed.
const std::string& Field(const std::vector<std::string>& fields, std::size_t index) {
    if (index >= fields.size()) {
        throw SSError("要求の項目 " + std::to_string(index) + " がありません。");
    }
    return fields[index];
}

std::int32_t IntField(const std::vector<std::string>& fields, std::size_t index) {
    return mdlStrToInt(Field(fields, index));
}

std::string ClientLine(const std::string& ip, const char* tag, const std::string& text) {
    return "[" + ip + "]" + tag + text;
}

}  // namespace

TRequestHandler::TRequestHandler(Desktop& pDesktop, ILogView& pLogView,
                                 IListenerView& pListenerView, IMessageBoxes& pBoxes,
                                 std::string pCaptureFile)
    : PendingReplyList(pBoxes),
      mDesktop(pDesktop),
      mLogView(pLogView),
      mListenerView(pListenerView),
      mCaptureFile(std::move(pCaptureFile)) {}

void TRequestHandler::AddLog(const std::string& pSource, const std::string& pText) {
    std::lock_guard guard(LogLock);
    try {
        mLogView.InsertLogLine(bracketedTimestamp() + "[" + pSource + "]" + pText);
    } catch (...) {
        // A line that cannot be made is lost; logging never fails its caller.
    }
}

void TRequestHandler::ServerEventProc(TSSChild* pHandle, std::uint8_t pKind,
                                      std::int32_t pCommandSerialNumber,
                                      const std::string& pIpAddress, const std::string& pClientKey,
                                      const std::string& pData, const std::string& pErrorMessage) {
    switch (pKind) {
        case kEventInformation:
            AddLog("Server", "[Listner_Information]" + pData);
            break;
        case kEventClientError:
            AddLog(pClientKey, ClientLine(pIpAddress, "[Client_Error]", pErrorMessage));
            break;
        case kEventRequest:
        case kEventFinished:
            HandleRequest(pHandle, pCommandSerialNumber, pIpAddress, pClientKey, pData);
            break;
        case kEventListenerError:
            AddLog("Server", "[Lister_Error]" + pErrorMessage);
            mListenerView.SetStoppedState(kListenCaption);
            break;
        case kEventListenerEnded:
            AddLog("Server", "[Listner_Information]" + pData);
            mListenerView.SetStoppedState(kListenCaption);
            break;
        default:
            break;
    }
}

void TRequestHandler::HandleRequest(TSSChild* pHandle, std::int32_t pSerial, const std::string& pIp,
                                    const std::string& pKey, const std::string& pData) {
    std::vector<std::string> fields = mdlSplitRequest(pData);
    std::int32_t code = IntField(fields, 0);
    if (code == 101) {
        if (pSerial == 0) {
            ConfirmSettings(pHandle, pIp, pKey, pData);
        }
    } else if (code >= 102 && code <= 105) {
        if (pSerial == 0) {
            RunDesktopCommand(pHandle, code, fields, pIp, pKey, pData);
        } else if (pSerial == kFileSerial) {
            SendDeferredReply(pHandle, pKey);
        }
    } else if (pSerial == 0) {
        RejectUnsupported(pHandle, fields, pIp, pKey, pData);
    }
}

void TRequestHandler::ConfirmSettings(TSSChild* pHandle, const std::string& pIp,
                                      const std::string& pKey, const std::string& pData) {
    AddLog(pKey, ClientLine(pIp, "[Client_Receive]", "設定確認要求:" + pData));
    mServer->Response(pHandle, kReplySerial, mdlJoinFields({"101", "1"}));
    AddLog(pKey, ClientLine(pIp, "[Client_Send]", "設定確認応答:"));
}

void TRequestHandler::RunDesktopCommand(TSSChild* pHandle, std::int32_t pCode,
                                        const std::vector<std::string>& pFields,
                                        const std::string& pIp, const std::string& pKey,
                                        const std::string& pData) {
    bool types = pCode == 102 || pCode == 104;
    AddLog(pKey, types ? ClientLine(pIp, "[Client_Receive]", "バーコード送信要求:" + pData)
                       : ClientLine(pIp, "[Client_Request]", "キャプチャ要求:" + pData));
    const std::string& code = pFields[0];

    std::lock_guard input(InputLock);
    DesktopResult<FocusedWindow> focused = mDesktop.focusedWindow();
    if (!focused) {
        mServer->Response(pHandle, kReplySerial, mdlJoinFields({code, "0"}));
        AddLog(pKey, ClientLine(pIp, "[Client_Send]", "送信先の検索に失敗しました。"));
        return;
    }
    const WindowHandle window = focused->window;
    const Point caret = focused->caret.value_or(Point{});

    // Only the capture's failure reaches the phone; typing failures are not reported to it.
    DesktopError captureError;
    if (types) {
        bool captureFirst = Field(pFields, 2) == "0";
        DesktopError typingError = mDesktop.pasteText(window, Field(pFields, 1));
        if (captureFirst) {
            captureError = Capture(window, pCode, pFields, caret);
        }
        if (!typingError) {
            (void)mDesktop.pressSuffixKey(window, Field(pFields, 3));
        }
        if (!captureFirst) {
            captureError = Capture(window, pCode, pFields, caret);
        }
    } else {
        captureError = Capture(window, pCode, pFields, caret);
    }

    if (!captureError) {
        // Stored before the hand-off: the file's completion may be reported at once, on the
        // sender's thread, and it takes this entry.
        PendingReplyList.mdlSetValue(pKey, mdlJoinFields({code, "1"}),
                                     ClientLine(pIp, "[Client_Send]", "キャプチャ成功"));
        mServer->SendFile(pHandle, kFileSerial, mCaptureFile, "capture.png", "");
        AddLog(pKey, ClientLine(pIp, "[Client_SendFile]", ""));
    } else {
        std::string failure = "キャプチャ失敗:" + captureError.message();
        mServer->Response(pHandle, kReplySerial, mdlJoinFields({code, "2", failure}));
        AddLog(pKey, ClientLine(pIp, "[Client_Send]", failure));
    }
}

DesktopError TRequestHandler::Capture(WindowHandle pWindow, std::int32_t pCode,
                                      const std::vector<std::string>& pFields, Point pCaret) {
    switch (pCode) {
        case 102:
            return mDesktop.capture(pWindow, pCaret, CaptureShape::centred(), IntField(pFields, 4),
                                    mCaptureFile);
        case 103:
            return mDesktop.capture(pWindow, pCaret, CaptureShape::centred(), 0, mCaptureFile);
        case 104:
            return mDesktop.capture(pWindow, pCaret,
                                    CaptureShape::ratio(IntField(pFields, 5), IntField(pFields, 6)),
                                    IntField(pFields, 4), mCaptureFile);
        default:
            return mDesktop.capture(pWindow, pCaret,
                                    CaptureShape::ratio(IntField(pFields, 1), IntField(pFields, 2)),
                                    0, mCaptureFile);
    }
}

void TRequestHandler::SendDeferredReply(TSSChild* pHandle, const std::string& pKey) {
    std::string payload;
    std::string logText;
    PendingReplyList.mdlGetValue(pKey, payload, logText);
    mServer->Response(pHandle, kReplySerial, payload);
    AddLog(pKey, logText);
}

void TRequestHandler::RejectUnsupported(TSSChild* pHandle, const std::vector<std::string>& pFields,
                                        const std::string& pIp, const std::string& pKey,
                                        const std::string& pData) {
    AddLog(pKey, ClientLine(pIp, "[Client_Request]", "サポート外の要求:" + pData));
    mServer->Response(pHandle, kReplySerial, mdlJoinFields({pFields[0], "0", kUnsupported}));
    AddLog(pKey, ClientLine(pIp, "[Client_Send]", kUnsupported));
}

}  // namespace korvane
