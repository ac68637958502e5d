#include "core/LanguageChoice.h"

#include <gtest/gtest.h>

namespace korvane {
namespace {

TEST(LanguageChoice, LanguageFromTheSettingElseTheSession) {
    struct Case {
        std::string setting;
        std::vector<std::string> session;
        const char* language;
    };
    const Case cases[] = {
        {"", {"ja-JP", "ja"}, "ja"}, {"", {"en-US"}, "en"},
        {"", {"de-DE", "ja"}, "en"}, {"", {}, "ja"},
        {"", {"C"}, "ja"},           {"ja", {"en-GB"}, "ja"},
        {"en", {"ja-JP"}, "en"},     {"fr", {"ja-JP"}, "ja"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(chooseLanguage(c.setting, c.session), c.language)
            << c.setting << " " << ::testing::PrintToString(c.session);
    }
}

}  // namespace
}  // namespace korvane
