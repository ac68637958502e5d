#pragma once

#include <string>
#include <vector>

namespace korvane {

// The user's interface languages as Windows lists them, most preferred first, as BCP 47 names
// ("ja-JP", "en-US"): what chooseLanguage (core/LanguageChoice.h) takes. Empty when Windows does
// not tell.
std::vector<std::string> sessionLanguages();

}  // namespace korvane
