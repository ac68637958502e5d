#pragma once

#include <map>
#include <string>
#include <string_view>
#include <utility>

namespace korvane {

// The Win32 window's texts in the language chosen at the start (core/LanguageChoice.h).
// Japanese is the program's own language: its texts are the sources the code names. English
// comes from the table made at build time from the Qt window's translation source
// (TranslationTable.h). Read only after construction: any thread.
class Translator {
  public:
    // "ja" or "en"; any other language shows the sources.
    explicit Translator(std::string language);

    const std::string& language() const { return mLanguage; }
    // `source` (UTF-8) as this language shows it, looked up in the Qt window's context of the
    // same text (for example "korvane::MainWindow"); the source itself where the translation
    // source has no finished translation for it.
    std::string text(std::string_view context, std::string_view source) const;
    // Whether the language has a translation of its own for `source`: always for Japanese.
    bool translates(std::string_view context, std::string_view source) const;

  private:
    std::string mLanguage;
    std::map<std::pair<std::string_view, std::string_view>, std::string_view> mTexts;
};

// `text` with each "%1" replaced by `argument`, as Qt's QString::arg does for the texts of the
// translation source.
std::string withArgument(std::string text, std::string_view argument);

}  // namespace korvane
