#include "core/ApprovalDesk.h"

#include "handling/LogTags.h"

namespace korvane {
namespace {

const char* answerText(ApprovalAnswer answer) {
    switch (answer) {
        case ApprovalAnswer::Always:
            return logtag::kApprovedAlways;
        case ApprovalAnswer::ThisRun:
            return logtag::kApprovedThisRun;
        case ApprovalAnswer::Refuse:
            return logtag::kRefusedKey;
        case ApprovalAnswer::RefuseAddress:
            return logtag::kRefusedKeyAndAddress;
    }
    return "";
}

}  // namespace

void ApprovalDesk::answer(const std::string& clientKey, const std::string& address,
                          ApprovalAnswer answer) {
    mApproval.answer(clientKey, address, answer);
    logDecision(clientKey, "[" + address + "]" + logtag::kApprovalTag + answerText(answer));
}

void ApprovalDesk::remove(const std::string& clientKey) {
    mApproval.remove(clientKey);
    logDecision(clientKey, std::string(logtag::kApprovalTag) + logtag::kDeviceRemoved);
}

void ApprovalDesk::unrefuse(const Refusal& refusal) {
    mApproval.unrefuse(refusal);
    if (refusal.kind == Refusal::Kind::Key) {
        logDecision(refusal.name, std::string(logtag::kApprovalTag) + logtag::kKeyUnrefused);
    } else {
        logDecision(logtag::kServerSource,
                    "[" + refusal.name + "]" + logtag::kApprovalTag + logtag::kAddressUnrefused);
    }
}

void ApprovalDesk::logDecision(const std::string& source, const std::string& text) {
    mHandler.addSecurityLog(SecurityLines::Kind::Decision, source, text);
}

}  // namespace korvane
