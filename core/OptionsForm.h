#pragma once

#include <array>

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

    // The input method box's entries: a paste (clipboard + Control+V), then typed keys.
    static constexpr int kPaste = 0;
    static constexpr int kTypeKeys = 1;

    // The form showing `settings`: an input method other than typed keys as a paste, numbers
    // clamped to the ranges offered, a language setting the box has no entry for as the
    // session's language.
    static OptionsForm of(const AppSettings& settings, bool startsWithSession);

    // The options with `inputMethod`, `keyDelayMs`, `restoreClipboard`, `duplicateSeconds`,
    // `scanHistory` and `language` replaced by this form's; the rest of `settings` as given.
    // An entry index outside the boxes counts as their first entry.
    AppSettings chosen(AppSettings settings) const;

    // A key delay means something to typed keys only, a restored clipboard to a paste only.
    bool keyDelayEnabled() const { return inputMethod == kTypeKeys; }
    bool restoreClipboardEnabled() const { return inputMethod != kTypeKeys; }

    int inputMethod = kPaste;
    int keyDelayMs = 0;
    bool restoreClipboard = false;
    // 0: every scan is typed (the box shows "しない").
    int duplicateSeconds = 0;
    bool scanHistory = false;
    // The entry of kLanguages.
    int language = 0;
    bool startsWithSession = false;
};

}  // namespace korvane
