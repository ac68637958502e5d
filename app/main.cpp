#include <QApplication>

#include "app/AppPaths.h"
#include "app/LocalAddresses.h"
#include "app/QtDialogs.h"
#include "app/SessionEnd.h"
#include "app/Unit1.h"
#include "app/Unit2.h"
#include "desktop/x11/X11Desktop.h"
#include "platform/SingleInstance.h"

using namespace korvane;

int main(int argc, char* argv[]) {
    TSingleInstance instance("ZRQ_KORVANE");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("korvane-server"));
    QApplication::setDesktopFileName(QStringLiteral("korvane-server"));
    TQtDialogs dialogs(QStringLiteral("KORVANE Server"));
    if (instance.State() == TSingleInstance::Result::AlreadyRunning) {
        dialogs.ShowError("既に起動されています。ご確認ください。");
        return 0;
    }
    // The window decides when the program ends: after its close rule, or at the session's end.
    QApplication::setQuitOnLastWindowClosed(false);

    const std::filesystem::path program = QCoreApplication::applicationFilePath().toStdString();
    X11Desktop desktop;
    {
        TForm1 form(desktop, dialogs, SettingsFilePath(program), CaptureFilePath(program).string(),
                    ReadLocalAddresses);
        QObject::connect(&form, &TForm1::Closed, [] { QCoreApplication::exit(0); });
        TSessionEnd sessionEnd([&form] {
            form.EndSession();
            QCoreApplication::exit(0);
        });
        TForm2 splash(form);
        splash.exec();
        if (!sessionEnd.Ended()) {
            form.show();
            QApplication::exec();
        }
        // A server thread waiting for an error box would keep the window from closing.
        dialogs.Shutdown();
    }
    return 0;
}
