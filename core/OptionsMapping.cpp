#include "core/OptionsMapping.h"

#include <algorithm>
#include <chrono>
#include <memory>

#include "handling/ScanHistory.h"

namespace korvane {

std::filesystem::path scanHistoryFile(const std::filesystem::path& settingsFile) {
    return settingsFile.parent_path() / "history" / "korvane-scans.csv";
}

HandlingOptions handlingOptionsOf(const AppSettings& settings,
                                  const std::filesystem::path& historyFile,
                                  std::shared_ptr<TypedWindowKinds> typedKinds) {
    HandlingOptions options;
    switch (settings.inputMethod) {
        case 1:
            options.inputMethod = InputMethod::TypeKeys;
            break;
        case 2:
            options.inputMethod = InputMethod::Automatic;
            options.typedKinds = std::move(typedKinds);
            break;
        default:
            options.inputMethod = InputMethod::Paste;
    }
    options.restoreClipboard = settings.restoreClipboard;
    options.keyDelay = std::chrono::milliseconds(std::clamp(settings.keyDelayMs, 0, 1000));
    options.duplicateWindow =
        std::chrono::seconds(std::clamp(settings.duplicateSeconds, 0, 24 * 3600));
    if (settings.scanHistory) {
        options.history = std::make_shared<ScanHistory>(historyFile);
    }
    return options;
}

}  // namespace korvane
