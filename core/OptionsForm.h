#pragma once

#include <array>
#include <string>
#include <vector>

#include "core/Settings.h"

namespace korvane {

// The options dialog without its toolkit: the fields as the dialog shows them, which of them
// mean something given the others, and the options they make. A front end fills its controls
// from of(), reads them back into a form, and asks the form what to enable and what was chosen.
struct OptionsForm {
    // The ranges the dialog offers.
    static constexpr int kMaxKeyDelayMs = 1000;
    static constexpr int kMaxDuplicateSeconds = 3600;
    // The language box's entries, in order, by their setting value: the session's language,
    // Japanese, English.
    static constexpr std::array<const char*, 3> kLanguages = {"", "ja", "en"};

    // The input method box's entries: a paste (clipboard + Control+V), typed keys, then the
    // automatic method (a paste, typed keys for the kinds of window that did not take one).
    static constexpr int kPaste = 0;
    static constexpr int kTypeKeys = 1;
    static constexpr int kAutomatic = 2;

    // The form showing `settings`: an input method the box has no entry for as a paste, numbers
    // clamped to the ranges offered, a language setting the box has no entry for as the
    // session's language, the typed window kinds as kept.
    static OptionsForm of(const AppSettings& settings, bool startsWithSession);

    // The options with `inputMethod`, `keyDelayMs`, `restoreClipboard`, `duplicateSeconds`,
    // `scanHistory` and `language` replaced by this form's, and the kinds forgotten here taken
    // out of `settings`' typed window kinds (a kind learned while the form was shown stays);
    // the rest of `settings` as given. An entry index outside the boxes counts as their first
    // entry.
    AppSettings chosen(AppSettings settings) const;

    // A key delay means something where keys are typed, a restored clipboard where a paste is.
    bool keyDelayEnabled() const { return inputMethod == kTypeKeys || inputMethod == kAutomatic; }
    bool restoreClipboardEnabled() const { return inputMethod != kTypeKeys; }

    // Takes `kind` off the list shown; chosen() forgets it. Nothing when it is not shown.
    void forget(const std::string& kind);
    // Takes every kind shown off the list.
    void forgetAll();

    int inputMethod = kPaste;
    int keyDelayMs = 0;
    bool restoreClipboard = false;
    // 0: every scan is typed (the box shows "しない").
    int duplicateSeconds = 0;
    bool scanHistory = false;
    // The entry of kLanguages.
    int language = 0;
    bool startsWithSession = false;
    // The kinds of window typed into, as the list shows them, oldest first.
    std::vector<std::string> typedWindowKinds;
    // The kinds taken off the list.
    std::vector<std::string> forgottenKinds;
};

}  // namespace korvane
