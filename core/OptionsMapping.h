#pragma once

#include <filesystem>

#include "core/Settings.h"
#include "handling/HandlingOptions.h"

namespace korvane {

// "history/korvane-scans.csv" beside the settings file: where the scan history is kept.
std::filesystem::path scanHistoryFile(const std::filesystem::path& settingsFile);

// The options of the settings as request handling takes them: a delay of 0 to 1000 ms, a
// duplicate window of 0 s to a day, and with ScanHistory=1 a history written to `historyFile`.
HandlingOptions handlingOptionsOf(const AppSettings& settings,
                                  const std::filesystem::path& historyFile);

}  // namespace korvane
