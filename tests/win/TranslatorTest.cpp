// The window's texts in both languages, from the table made at build time out of the Qt window's
// translation source.
#include <gtest/gtest.h>

#include "win/ApprovalTexts.h"
#include "win/Translator.h"
#include "win/WindowTexts.h"

namespace korvane {
namespace {

TEST(Translator, EveryTextOfTheWindowHasItsEnglish) {
    const Translator english("en");
    for (const char* text : wintext::kAll) {
        EXPECT_TRUE(english.translates(wintext::kContext, text)) << text;
    }
    for (const char* text : approvaltext::kAll) {
        EXPECT_TRUE(english.translates(approvaltext::kContext, text)) << text;
    }
    for (const char* text : approvaltext::kAllOfDevices) {
        EXPECT_TRUE(english.translates(approvaltext::kDevicesContext, text)) << text;
    }
    for (const char* text : approvaltext::kAllOfOptions) {
        EXPECT_TRUE(english.translates(approvaltext::kOptionsContext, text)) << text;
    }
    for (const char* text : approvaltext::kAllOfCode) {
        EXPECT_TRUE(english.translates(approvaltext::kCodeContext, text)) << text;
    }
}

TEST(Translator, EnglishComesFromTheTranslationSource) {
    const Translator english("en");
    struct Case {
        const char* context;
        const char* source;
        const char* shown;
    };
    // Plain texts, entities (&apos;), semicolons and brackets, which the table's maker must carry
    // through CMake's lists, and the same source in two contexts.
    const Case cases[] = {
        {wintext::kContext, wintext::kListen, "Start listening"},
        {wintext::kContext, wintext::kNotAnInteger, "''%1'' is not an integer"},
        {wintext::kContext, "テキストファイル (*.txt);;すべてのファイル (*)",
         "Text files (*.txt);;All files (*)"},
        {wintext::kContext, wintext::kAboutProgram,
         "This program is the server side of the Android application [KORVANE]. [KORVANE] is a "
         "barcode reader application that connects to a PC over wireless LAN."},
        {wintext::kContext, wintext::kQuit, "Quit"},
        {"korvane::DevicesDialog", "承認済みの端末", "Approved phones"},
        {"korvane::OptionsDialog", " ミリ秒", " ms"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(english.text(c.context, c.source), c.shown) << c.source;
    }
}

TEST(Translator, JapaneseAndUnknownTextsShowTheSource) {
    const Translator japanese("ja");
    EXPECT_EQ(japanese.text(wintext::kContext, wintext::kListen), wintext::kListen);
    EXPECT_TRUE(japanese.translates(wintext::kContext, "どこにもない文"));
    const Translator english("en");
    EXPECT_EQ(english.text(wintext::kContext, "どこにもない文"), "どこにもない文");
    EXPECT_FALSE(english.translates(wintext::kContext, "どこにもない文"));
    // A text is looked up in its own context only.
    EXPECT_EQ(english.text("korvane::Nowhere", wintext::kListen), wintext::kListen);
}

TEST(Translator, ArgumentsReplaceEveryMarker) {
    EXPECT_EQ(withArgument("%1 に書き込めません", "C:\\a.ini"), "C:\\a.ini に書き込めません");
    EXPECT_EQ(withArgument("''%1'' と %1", "x"), "''x'' と x");
    // An argument holding a marker is taken as it is, not replaced again.
    EXPECT_EQ(withArgument("[%1]", "%1%1"), "[%1%1]");
    EXPECT_EQ(withArgument("no marker", "x"), "no marker");
}

}  // namespace
}  // namespace korvane
