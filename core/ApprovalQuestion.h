#pragma once

#include <string>
#include <string_view>

namespace korvane {

// The lines of the question whether a phone may use the desktop that name the phone: its key
// and its address, each after its caption in the front end's language ("端末キー: ",
// "アドレス: "). Both come from the network, so they are shown as visibleText shows them, line
// breaks as control pictures: a key can neither add a line of its own to the question (a forged
// address) nor reorder what the question shows.
struct ApprovalQuestion {
    std::string keyLine;
    std::string addressLine;
};

ApprovalQuestion approvalQuestion(std::string_view keyCaption, std::string_view addressCaption,
                                  std::string_view clientKey, std::string_view address);

}  // namespace korvane
