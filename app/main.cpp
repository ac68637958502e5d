#include <QSystemTrayIcon>
#include <iostream>

#include "app/CommandLine.h"
#include "app/MainWindow.h"
#include "app/QtDialogs.h"
#include "app/ReportingApplication.h"
#include "app/SessionEnd.h"
#include "app/SplashWindow.h"
#include "app/Translations.h"
#include "app/TrayIcon.h"
#include "core/FaultReporting.h"
#include "core/LanguageChoice.h"
#include "core/LocalAddresses.h"
#include "core/Settings.h"
#include "core/SettingsPlace.h"
#include "desktop/DesktopFactory.h"
#include "platform/AppPaths.h"
#include "platform/FreedMemory.h"
#include "platform/SingleInstance.h"

using namespace korvane;

int main(int argc, char* argv[]) {
    keepFreedMemory();
    if (auto status = answerCommandLine(argc, argv, std::cout, std::cerr)) {
        return *status;
    }
    SingleInstance instance("ZRQ_KORVANE");
    ReportingApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("korvane-server"));
    QApplication::setDesktopFileName(QStringLiteral("korvane-server"));
    const std::filesystem::path program = QCoreApplication::applicationFilePath().toStdString();
    const SettingsPlace settings = placeProgramSettings(program);
    const std::string languageSetting = readSettings(settings.file).language;
    installTranslations(QString::fromStdString(chooseLanguage(languageSetting, sessionLanguages())),
                        languageSetting.empty());
    QtDialogs dialogs(QStringLiteral("KORVANE Server"));
    if (instance.state() == SingleInstance::Result::AlreadyRunning) {
        dialogs.showError(
            QCoreApplication::translate("korvane::MainWindow", kAlreadyRunning).toStdString());
        return 0;
    }
    if (instance.state() == SingleInstance::Result::Unavailable) {
        dialogs.showError(QCoreApplication::translate("korvane::MainWindow", kLockUnavailable)
                              .arg(QString::fromStdString(instance.lockPath()))
                              .toStdString());
        return 1;
    }
    FaultReporting faults(settings.file, "korvane-server");
    faults.start();
    app.reportTo(faults);
    // The window decides when the program ends: after its close rule, or at the session's end.
    QApplication::setQuitOnLastWindowClosed(false);

    const DesktopChoice choice = detectDesktop();
    const std::unique_ptr<Desktop> desktop = makeDesktop(choice);
    {
        MainWindow form(*desktop, dialogs, settings.file, captureFilePath(program).string(),
                        readLocalAddresses);
        form.announceDesktop(choice);
        form.announceSettingsPlace(settings);
        QObject::connect(&form, &MainWindow::closed, [] { QCoreApplication::exit(0); });
        TrayIcon tray(form, &QSystemTrayIcon::isSystemTrayAvailable);
        SessionEnd sessionEnd([&form] {
            form.endSession();
            QCoreApplication::exit(0);
        });
        SplashWindow splash;
        QObject::connect(&splash, &SplashWindow::accepted, &form, &MainWindow::armAutomaticStart);
        splash.exec();
        if (!sessionEnd.ended()) {
            form.show();
            app.offerEarlierReports();
            QApplication::exec();
        }
        // A server thread waiting for an error box would keep the window from closing.
        dialogs.shutdown();
    }
    return 0;
}
