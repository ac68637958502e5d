#include "core/OptionsForm.h"

#include <algorithm>

namespace korvane {

OptionsForm OptionsForm::of(const AppSettings& settings, bool startsWithSession) {
    OptionsForm form;
    form.inputMethod = settings.inputMethod == kTypeKeys ? kTypeKeys : kPaste;
    form.keyDelayMs = std::clamp(settings.keyDelayMs, 0, kMaxKeyDelayMs);
    form.restoreClipboard = settings.restoreClipboard;
    form.duplicateSeconds = std::clamp(settings.duplicateSeconds, 0, kMaxDuplicateSeconds);
    form.scanHistory = settings.scanHistory;
    const auto entry = std::find(kLanguages.begin(), kLanguages.end(), settings.language);
    form.language = entry == kLanguages.end() ? 0 : static_cast<int>(entry - kLanguages.begin());
    form.startsWithSession = startsWithSession;
    return form;
}

AppSettings OptionsForm::chosen(AppSettings settings) const {
    settings.inputMethod = inputMethod == kTypeKeys ? kTypeKeys : kPaste;
    settings.keyDelayMs = keyDelayMs;
    settings.restoreClipboard = restoreClipboard;
    settings.duplicateSeconds = duplicateSeconds;
    settings.scanHistory = scanHistory;
    const bool known = language >= 0 && language < static_cast<int>(kLanguages.size());
    settings.language = kLanguages[known ? language : 0];
    return settings;
}

}  // namespace korvane
