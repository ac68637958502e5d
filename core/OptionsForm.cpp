#include "core/OptionsForm.h"

#include <algorithm>

namespace korvane {
namespace {

int knownMethod(int method) {
    return method == OptionsForm::kTypeKeys || method == OptionsForm::kAutomatic
               ? method
               : OptionsForm::kPaste;
}

}  // namespace

OptionsForm OptionsForm::of(const AppSettings& settings, bool startsWithSession) {
    OptionsForm form;
    form.inputMethod = knownMethod(settings.inputMethod);
    form.keyDelayMs = std::clamp(settings.keyDelayMs, 0, kMaxKeyDelayMs);
    form.restoreClipboard = settings.restoreClipboard;
    form.duplicateSeconds = std::clamp(settings.duplicateSeconds, 0, kMaxDuplicateSeconds);
    form.scanHistory = settings.scanHistory;
    const auto entry = std::find(kLanguages.begin(), kLanguages.end(), settings.language);
    form.language = entry == kLanguages.end() ? 0 : static_cast<int>(entry - kLanguages.begin());
    form.startsWithSession = startsWithSession;
    form.typedWindowKinds = settings.typedWindowKinds;
    return form;
}

AppSettings OptionsForm::chosen(AppSettings settings) const {
    settings.inputMethod = knownMethod(inputMethod);
    settings.keyDelayMs = keyDelayMs;
    settings.restoreClipboard = restoreClipboard;
    settings.duplicateSeconds = duplicateSeconds;
    settings.scanHistory = scanHistory;
    const bool known = language >= 0 && language < static_cast<int>(kLanguages.size());
    settings.language = kLanguages[known ? language : 0];
    std::erase_if(settings.typedWindowKinds, [this](const std::string& kind) {
        return std::find(forgottenKinds.begin(), forgottenKinds.end(), kind) !=
               forgottenKinds.end();
    });
    return settings;
}

void OptionsForm::forget(const std::string& kind) {
    const auto shown = std::find(typedWindowKinds.begin(), typedWindowKinds.end(), kind);
    if (shown != typedWindowKinds.end()) {
        // Before the erase: `kind` may be the element erased.
        forgottenKinds.push_back(kind);
        typedWindowKinds.erase(shown);
    }
}

void OptionsForm::forgetAll() {
    forgottenKinds.insert(forgottenKinds.end(), typedWindowKinds.begin(), typedWindowKinds.end());
    typedWindowKinds.clear();
}

}  // namespace korvane
