#include "app/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace korvane {

std::vector<std::string> sessionLanguages() {
    std::vector<std::string> languages;
    for (const QString& language : QLocale::system().uiLanguages()) {
        languages.push_back(language.toStdString());
    }
    return languages;
}

void installTranslations(const QString& language, bool followSession) {
    QCoreApplication* app = QCoreApplication::instance();
    const QString qtFolder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    auto* qt = new QTranslator(app);
    // The session's own variant where it has one (ja_JP), else the chosen language's: a session
    // that names no language still gets the standard buttons in the window's language.
    const bool qtLoaded = (followSession && qt->load(QLocale::system(), QStringLiteral("qtbase"),
                                                     QStringLiteral("_"), qtFolder)) ||
                          qt->load(QStringLiteral("qtbase_") + language, qtFolder);
    if (qtLoaded) {
        QCoreApplication::installTranslator(qt);
    } else {
        delete qt;
    }
    if (language == QStringLiteral("en")) {
        auto* own = new QTranslator(app);
        if (own->load(QStringLiteral(":/translations/korvane-server_en.qm"))) {
            QCoreApplication::installTranslator(own);
        } else {
            delete own;
        }
    }
}

}  // namespace korvane
