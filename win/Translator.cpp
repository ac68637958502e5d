#include "win/Translator.h"

#include "win/TranslationTable.h"

namespace korvane {

Translator::Translator(std::string language) : mLanguage(std::move(language)) {
    if (mLanguage != "en") {
        return;
    }
    for (std::size_t i = 0; i < kEnglishTextsCount; ++i) {
        const TranslatedText& entry = kEnglishTexts[i];
        mTexts.emplace(std::pair<std::string_view, std::string_view>(entry.context, entry.source),
                       entry.translation);
    }
}

std::string Translator::text(std::string_view context, std::string_view source) const {
    const auto found = mTexts.find({context, source});
    return std::string(found == mTexts.end() ? source : found->second);
}

bool Translator::translates(std::string_view context, std::string_view source) const {
    return mLanguage == "ja" || mTexts.contains({context, source});
}

std::string withArgument(std::string text, std::string_view argument) {
    constexpr std::string_view kMarker = "%1";
    for (std::size_t at = text.find(kMarker); at != std::string::npos;
         at = text.find(kMarker, at + argument.size())) {
        text.replace(at, kMarker.size(), argument);
    }
    return text;
}

}  // namespace korvane
