#include "tools/RefusingPrompt.h"

#include "handling/DeviceApproval.h"
#include "handling/WindowPorts.h"
#include "platform/LogText.h"
#include "platform/Timestamp.h"

namespace korvane {

void RefusingPrompt::ask(const std::string& clientKey, const std::string& address) {
    mLog.insertLogLine(bracketedTimestamp() + "[" +
                       boundedLogText(clientKey + "][" + address + "]" +
                                      "承認されていない端末のため、今回の実行中は拒否します。"
                                      "korvane-server で承認してから korvane-host "
                                      "を起動し直してください。"));
    if (mApproval != nullptr) {
        mApproval->answer(clientKey, address, ApprovalAnswer::Refuse);
    }
}

}  // namespace korvane
