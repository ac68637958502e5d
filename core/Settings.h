#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace korvane {

// What the program keeps between runs; the defaults are those of a first run.
struct AppSettings {
    std::string ipAddress;
    std::string portNo = "65001";
    bool autoStart = false;
    bool minimize = false;
    std::int32_t top = 0;
    std::int32_t left = 0;
    std::int32_t height = 600;
    std::int32_t width = 800;

    // The options of the options dialog; their defaults are the program's plain behaviour.
    // 0 paste (clipboard + Control+V), 1 typed keys, 2 automatic (a paste, typed keys for the
    // kinds of window that did not take one).
    std::int32_t inputMethod = 0;
    std::int32_t keyDelayMs = 0;
    bool restoreClipboard = false;
    // 0: every scan is typed.
    std::int32_t duplicateSeconds = 0;
    bool scanHistory = false;
    // "" the session's language, else "ja" or "en".
    std::string language;
    // The kinds of window the automatic method types keys into, oldest first; kept in a section
    // of their own, [TypedWindowKinds], as "Count=N" and "Kind1" to "KindN".
    std::vector<std::string> typedWindowKinds;
};

// A missing file or key, or a number that does not parse, gives that key's default.
AppSettings readSettings(const std::filesystem::path& path);

// Writes all keys at once, keeping whatever else the file holds. On failure the old file is left
// as it was and the text is "<path> に書き込めません".
std::optional<std::string> writeSettings(const std::filesystem::path& path,
                                         const AppSettings& settings);

// Writes only the options (the [Options] keys and the typed window kinds) into the file as it is
// on disk now, so that what others wrote meanwhile (the approved devices) stays; the [Setting]
// and [Window] keys are left alone. The
// file is replaced whole or not at all; on failure the text is "<path> に書き込めません".
std::optional<std::string> writeOptions(const std::filesystem::path& path,
                                        const AppSettings& settings);

}  // namespace korvane
