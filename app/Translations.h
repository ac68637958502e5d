#pragma once

#include <QString>
#include <string>
#include <vector>

namespace korvane {

// The window's translations. Which language is chosen is the core's (chooseLanguage); the English
// translation is built from translations/korvane-server_en.ts into the program.

// The session's user interface languages, most preferred first ("ja-JP"), as chooseLanguage
// takes them. GUI thread.
std::vector<std::string> sessionLanguages();

// Installs, on the application, Qt's own translation (the standard buttons: Yes, No, OK,
// Cancel) and the program's for `language`. With no setting Qt's buttons follow the session's
// locale, else the chosen language. A translation that cannot be found leaves the texts as they
// are (Japanese for the program, English for Qt). Call once, on the GUI thread, before any window
// is made.
void installTranslations(const QString& language, bool followSession);

}  // namespace korvane
