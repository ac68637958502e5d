#pragma once

#include <string>
#include <vector>

namespace korvane {

// The languages of the window. Japanese is the program's own (its texts are written in it);
// English is a translation, which each front end loads in its own way.

// "ja" or "en": the setting when it names one of them, else Japanese when the session's first
// language is Japanese or the session names none (no language, the "C" or "POSIX" locale), else
// English (the one translation there is for everyone else). `sessionLanguages` are the session's
// user interface languages, most preferred first, as BCP 47 names ("ja-JP", "en-US").
std::string chooseLanguage(const std::string& setting,
                           const std::vector<std::string>& sessionLanguages);

}  // namespace korvane
