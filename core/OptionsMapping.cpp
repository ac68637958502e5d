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
                                  const std::filesystem::path& historyFile) {
    HandlingOptions options;
    options.inputMethod = settings.inputMethod == 1 ? InputMethod::TypeKeys : InputMethod::Paste;
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
