// The options dialog's rules without a display: what it shows for the settings, which fields it
// enables, and the options its choices make.
#include "core/OptionsForm.h"

#include <gtest/gtest.h>

#include "core/OptionsMapping.h"
#include "handling/TypedWindowKinds.h"
#include "tests/support/TempFolder.h"

namespace korvane {
namespace {

TEST(OptionsForm, ShowsTheSettingsWithinWhatTheDialogOffers) {
    AppSettings settings;
    settings.inputMethod = 7;
    settings.keyDelayMs = 5000;
    settings.restoreClipboard = true;
    settings.duplicateSeconds = -3;
    settings.scanHistory = true;
    settings.language = "en";
    OptionsForm form = OptionsForm::of(settings, true);
    EXPECT_EQ(form.inputMethod, OptionsForm::kPaste) << "an unknown method is a paste";
    EXPECT_EQ(form.keyDelayMs, 1000);
    EXPECT_TRUE(form.restoreClipboard);
    EXPECT_EQ(form.duplicateSeconds, 0);
    EXPECT_TRUE(form.scanHistory);
    EXPECT_EQ(form.language, 2);
    EXPECT_TRUE(form.startsWithSession);

    settings.inputMethod = 1;
    settings.keyDelayMs = 20;
    settings.duplicateSeconds = 99999;
    form = OptionsForm::of(settings, false);
    EXPECT_EQ(form.inputMethod, OptionsForm::kTypeKeys);
    EXPECT_EQ(form.keyDelayMs, 20);
    EXPECT_EQ(form.duplicateSeconds, 3600);
    EXPECT_FALSE(form.startsWithSession);
}

TEST(OptionsForm, TheLanguageEntryOfEachSetting) {
    struct Case {
        const char* setting;
        int entry;
    };
    for (const Case c : {Case{"", 0}, Case{"ja", 1}, Case{"en", 2}, Case{"fr", 0}, Case{"EN", 0}}) {
        AppSettings settings;
        settings.language = c.setting;
        EXPECT_EQ(OptionsForm::of(settings, false).language, c.entry) << c.setting;
    }
    struct Back {
        int entry;
        const char* setting;
    };
    for (const Back b : {Back{0, ""}, Back{1, "ja"}, Back{2, "en"}, Back{-1, ""}, Back{3, ""}}) {
        OptionsForm form;
        form.language = b.entry;
        EXPECT_EQ(form.chosen(AppSettings{}).language, b.setting) << b.entry;
    }
}

// A key delay means nothing to a paste, a restored clipboard nothing to typed keys; the
// automatic method both pastes and types.
TEST(OptionsForm, TheInputMethodEnablesItsOwnFields) {
    OptionsForm form;
    EXPECT_FALSE(form.keyDelayEnabled());
    EXPECT_TRUE(form.restoreClipboardEnabled());
    form.inputMethod = OptionsForm::kTypeKeys;
    EXPECT_TRUE(form.keyDelayEnabled());
    EXPECT_FALSE(form.restoreClipboardEnabled());
    form.inputMethod = OptionsForm::kAutomatic;
    EXPECT_TRUE(form.keyDelayEnabled());
    EXPECT_TRUE(form.restoreClipboardEnabled());
}

// Each method the dialog offers goes through the settings file and back to request handling as
// itself; one the dialog does not offer is a paste all the way. Only the automatic method is
// given the kinds.
TEST(OptionsForm, EachInputMethodRoundTripsThroughTheSettingsFileToHandling) {
    test::TempFolder folder;
    const auto path = folder / "korvane-server.ini";
    const auto kinds = std::make_shared<TypedWindowKinds>();
    struct Case {
        int entry;
        int setting;
        InputMethod method;
    };
    for (const Case c : {Case{OptionsForm::kPaste, 0, InputMethod::Paste},
                         Case{OptionsForm::kTypeKeys, 1, InputMethod::TypeKeys},
                         Case{OptionsForm::kAutomatic, 2, InputMethod::Automatic},
                         Case{3, 0, InputMethod::Paste}, Case{-1, 0, InputMethod::Paste}}) {
        SCOPED_TRACE(c.entry);
        OptionsForm form;
        form.inputMethod = c.entry;
        ASSERT_EQ(writeOptions(path, form.chosen(AppSettings{})), std::nullopt);
        const AppSettings read = readSettings(path);
        EXPECT_EQ(read.inputMethod, c.setting);
        EXPECT_EQ(OptionsForm::of(read, false).inputMethod, c.setting);
        const HandlingOptions options = handlingOptionsOf(read, folder / "h.csv", kinds);
        EXPECT_EQ(options.inputMethod, c.method);
        EXPECT_EQ(options.typedKinds != nullptr, c.method == InputMethod::Automatic);
    }
    AppSettings unknown;
    unknown.inputMethod = 7;
    EXPECT_EQ(handlingOptionsOf(unknown, folder / "h.csv", kinds).inputMethod, InputMethod::Paste);
}

// The list shows the kinds kept; forgetting one or all takes them off it, and the choices forget
// just those: a kind learned while the dialog was open stays.
TEST(OptionsForm, ForgettingKindsTakesOnlyThoseOffTheSettings) {
    AppSettings settings;
    settings.typedWindowKinds = {"XTerm", "Konsole", "Emacs"};
    OptionsForm form = OptionsForm::of(settings, false);
    EXPECT_EQ(form.typedWindowKinds, settings.typedWindowKinds);
    form.forget(form.typedWindowKinds[1]);  // as the dialog passes the row it shows
    form.forget("not listed");
    EXPECT_EQ(form.typedWindowKinds, (std::vector<std::string>{"XTerm", "Emacs"}));
    settings.typedWindowKinds.push_back("Learned-Meanwhile");
    EXPECT_EQ(form.chosen(settings).typedWindowKinds,
              (std::vector<std::string>{"XTerm", "Emacs", "Learned-Meanwhile"}));
    form.forgetAll();
    EXPECT_TRUE(form.typedWindowKinds.empty());
    EXPECT_EQ(form.chosen(settings).typedWindowKinds,
              std::vector<std::string>{"Learned-Meanwhile"});
}

TEST(OptionsForm, TheChoicesReplaceTheOptionsAndNothingElse) {
    AppSettings settings;
    settings.ipAddress = "192.0.2.5";
    settings.portNo = "1234";
    settings.autoStart = true;
    settings.width = 640;
    settings.keyDelayMs = 20;
    settings.language = "en";
    OptionsForm form = OptionsForm::of(settings, false);
    form.inputMethod = OptionsForm::kTypeKeys;
    form.keyDelayMs = 35;
    form.duplicateSeconds = 0;
    form.scanHistory = true;
    form.language = 0;
    form.startsWithSession = true;

    const AppSettings chosen = form.chosen(settings);
    EXPECT_EQ(chosen.inputMethod, 1);
    EXPECT_EQ(chosen.keyDelayMs, 35);
    EXPECT_FALSE(chosen.restoreClipboard);
    EXPECT_EQ(chosen.duplicateSeconds, 0);
    EXPECT_TRUE(chosen.scanHistory);
    EXPECT_EQ(chosen.language, "");
    EXPECT_EQ(chosen.ipAddress, "192.0.2.5");
    EXPECT_EQ(chosen.portNo, "1234");
    EXPECT_TRUE(chosen.autoStart);
    EXPECT_EQ(chosen.width, 640);

    form.inputMethod = -1;  // a box with no entry chosen
    EXPECT_EQ(form.chosen(settings).inputMethod, 0);
}

}  // namespace
}  // namespace korvane
