#include "core/ApprovalQuestion.h"

#include "platform/VisibleText.h"

namespace korvane {

ApprovalQuestion approvalQuestion(std::string_view keyCaption, std::string_view addressCaption,
                                  std::string_view clientKey, std::string_view address) {
    return {std::string(keyCaption) + visibleText(clientKey, LineBreaks::Escape),
            std::string(addressCaption) + visibleText(address, LineBreaks::Escape)};
}

}  // namespace korvane
