#include "app/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace korvane {

QString chooseLanguage(const std::string& setting, const QStringList& sessionLanguages) {
    if (setting == "ja" || setting == "en") {
        return QString::fromStdString(setting);
    }
    // A session that names no language (none, or the "C" / "POSIX" locale of a bare system)
    // keeps the program's own language.
    if (sessionLanguages.isEmpty() || sessionLanguages.first() == QStringLiteral("C") ||
        sessionLanguages.first() == QStringLiteral("POSIX") ||
        sessionLanguages.first().startsWith(QStringLiteral("ja"))) {
        return QStringLiteral("ja");
    }
    return QStringLiteral("en");
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
