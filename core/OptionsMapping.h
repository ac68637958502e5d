#pragma once

#include <filesystem>
#include <memory>

#include "core/Settings.h"
#include "handling/HandlingOptions.h"

namespace korvane {

// "history/korvane-scans.csv" beside the settings file: where the scan history is kept.
std::filesystem::path scanHistoryFile(const std::filesystem::path& settingsFile);

// The options of the settings as request handling takes them: InputMethod 1 typed keys, 2
// automatic, any other value a paste; a delay of 0 to 1000 ms, a duplicate window of 0 s to a
// day, with ScanHistory=1 a history written to `historyFile`, and with the automatic method
// `typedKinds` (the program's one list, which the settings' typedWindowKinds were read into).
HandlingOptions handlingOptionsOf(const AppSettings& settings,
                                  const std::filesystem::path& historyFile,
                                  std::shared_ptr<TypedWindowKinds> typedKinds);

}  // namespace korvane
