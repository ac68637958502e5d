#include "core/LanguageChoice.h"

namespace korvane {

std::string chooseLanguage(const std::string& setting,
                           const std::vector<std::string>& sessionLanguages) {
    if (setting == "ja" || setting == "en") {
        return setting;
    }
    // A session that names no language (none, or the "C" / "POSIX" locale of a bare system)
    // keeps the program's own language.
    if (sessionLanguages.empty() || sessionLanguages.front() == "C" ||
        sessionLanguages.front() == "POSIX" || sessionLanguages.front().starts_with("ja")) {
        return "ja";
    }
    return "en";
}

}  // namespace korvane
