#pragma once

#include <QString>
#include <QStringList>
#include <string>

namespace korvane {

// The languages of the window. Japanese is the program's own (its texts are written in it);
// English is a translation, built from translations/korvane-server_en.ts into the program.

// "ja" or "en": the setting when it names one of them, else Japanese when the session's first
// language is Japanese or the session names none (no language, the "C" or "POSIX" locale), else
// English (the one translation there is for everyone else).
QString chooseLanguage(const std::string& setting, const QStringList& sessionLanguages);

// Installs, on the application, Qt's own translation (the standard buttons: Yes, No, OK,
// Cancel) and the program's for `language`. With no setting Qt's buttons follow the session's
// locale, else the chosen language. A translation that cannot be found leaves the texts as they
// are (Japanese for the program, English for Qt). Call once, on the GUI thread, before any window
// is made.
void installTranslations(const QString& language, bool followSession);

}  // namespace korvane
