// Draws the pictures of the user's guides and the README: korvane-screenshots <folder>. For
// Japanese and English it writes the main window (a few scans in its log), the options dialog and
// the tray menu, and once the large QR code window and the main window while listening. Run by
// scripts/screenshots under a private X server; it types nothing, and listens only on 127.0.0.1
// for the last picture.
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QThread>
#include <QTimer>
#include <QTranslator>
#include <filesystem>
#include <iostream>

#include "app/LogListView.h"
#include "app/MainWindow.h"
#include "app/OptionsDialog.h"
#include "app/QrCode.h"
#include "app/QrLargeWindow.h"
#include "app/QtDialogs.h"
#include "app/Translations.h"
#include "app/TrayIcon.h"
#include "desktop/DesktopFactory.h"
#include "platform/Socket.h"

using namespace korvane;

namespace {

bool save(QWidget& widget, const std::filesystem::path& file) {
    widget.show();
    // Long enough for the log's next frame (a timer) and the window's first layout.
    QElapsedTimer shown;
    shown.start();
    while (shown.elapsed() < 300) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    const bool saved = widget.grab().save(QString::fromStdString(file.string()), "PNG");
    std::cout << (saved ? "wrote " : "cannot write ") << file.string() << "\n";
    return saved;
}

void dropTranslations() {
    for (QTranslator* translator : QCoreApplication::instance()->findChildren<QTranslator*>()) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
}

bool drawLanguage(const QString& language, const std::filesystem::path& folder, Desktop& desktop,
                  QtDialogs& dialogs) {
    installTranslations(language, false);
    const std::string suffix = "." + language.toStdString() + ".png";
    const std::filesystem::path settings =
        folder / ("screenshots-" + language.toStdString() + ".ini");
    bool ok = true;
    {
        MainWindow window(desktop, dialogs, settings, (folder / "unused.png").string(),
                          [](std::vector<LocalAddress>& addresses) {
                              addresses = {{"192.168.1.20", "wlp2s0"},
                                           {"172.17.0.1", "docker0"},
                                           {"127.0.0.1", "lo"}};
                              return true;
                          });
        window.move(0, 0);
        window.resize(800, 600);
        // A morning at the counter, as the log shows it.
        RequestHandler& log = window.handler();
        log.addLog("Server", "[Listner_Information]待ち受けを開始しました。");
        log.addLog("PHONE-A", "[192.168.1.31][Client_Receive]設定確認要求:101");
        log.addLog("PHONE-A", "[192.168.1.31][Client_Send]設定確認応答:");
        log.addLog("PHONE-A",
                   "[192.168.1.31][Client_Receive]バーコード送信要求:102\t4901234567894\t1\t1\t0");
        log.addLog("PHONE-A", "[192.168.1.31][Client_SendFile]");
        log.addLog("PHONE-A", "[192.168.1.31][Client_Send]キャプチャ成功");
        ok &= save(window, folder / ("main-window" + suffix));

        OptionsDialog options(OptionsForm::of(window.options(), false), &window);
        ok &= save(options, folder / ("options" + suffix));
        options.hide();

        TrayIcon tray(window, [] { return false; });
        tray.menu().popup(QPoint(40, 40));
        ok &= save(tray.menu(), folder / ("tray-menu" + suffix));
        tray.menu().hide();
    }
    std::filesystem::remove(settings);
    dropTranslations();
    return ok;
}

// 65001, the port a phone expects, unless something listens there already; then any free one.
std::uint16_t loopbackPort() {
    net::startNetworking();
    for (const std::uint16_t wanted : {std::uint16_t{65001}, std::uint16_t{0}}) {
        const net::SocketHandle probe = net::openTcpSocket();
        const bool bound = net::bindIPv4(probe, "127.0.0.1", wanted);
        const std::uint16_t port = bound ? net::localPort(probe) : 0;
        net::closeSocket(probe);
        if (port != 0) {
            return port;
        }
    }
    return 65001;
}

// The README's picture: the main window in Japanese, listening on 127.0.0.1, its QR code shown,
// after a phone's first scan.
bool drawListening(const std::filesystem::path& folder, Desktop& desktop, QtDialogs& dialogs) {
    const std::filesystem::path settings = folder / "screenshots-listening.ini";
    bool ok = true;
    {
        MainWindow window(desktop, dialogs, settings, (folder / "unused.png").string(),
                          [](std::vector<LocalAddress>& addresses) {
                              addresses = {{"127.0.0.1", "lo"}};
                              return true;
                          });
        window.move(0, 0);
        window.resize(800, 600);
        window.portEdit->setText(QString::number(loopbackPort()));
        window.toggleListening();
        ok = window.isListening();
        // The listener's own line first, as it comes from its thread.
        const LogListView* logView = window.findChild<LogListView*>();
        QElapsedTimer starting;
        starting.start();
        while (ok && logView != nullptr && logView->model()->rowCount() == 0 &&
               starting.elapsed() < 5000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        RequestHandler& log = window.handler();
        log.addLog("PHONE-A", "[127.0.0.1][Client_Receive]設定確認要求:101");
        log.addLog("PHONE-A", "[127.0.0.1][Client_Send]設定確認応答:");
        log.addLog("PHONE-A",
                   "[127.0.0.1][Client_Receive]バーコード送信要求:102\t4901234567894\t1\t1\t0");
        log.addLog("PHONE-A", "[127.0.0.1][Client_SendFile]");
        log.addLog("PHONE-A", "[127.0.0.1][Client_Send]キャプチャ成功");
        ok = ok && save(window, folder / "main-window.png");
        window.toggleListening();
        QElapsedTimer stopping;
        stopping.start();
        while (window.isListening() && stopping.elapsed() < 5000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
    }
    std::filesystem::remove(settings);
    return ok;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::cerr << "usage: korvane-screenshots FOLDER\n";
        return 2;
    }
    QApplication app(argc, argv);
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    const std::unique_ptr<Desktop> desktop = makeDesktop(detectDesktop());
    QtDialogs dialogs(QStringLiteral("KORVANE Server"));
    bool ok = drawLanguage(QStringLiteral("ja"), folder, *desktop, dialogs);
    ok &= drawLanguage(QStringLiteral("en"), folder, *desktop, dialogs);

    QrLargeWindow large(buildQrBitmap(qrPayload("192.168.1.20", "65001")),
                        QStringLiteral("192.168.1.20 : 65001"), nullptr);
    ok &= save(large, folder / "qr-large.png");
    ok &= drawListening(folder, *desktop, dialogs);
    dialogs.shutdown();
    return ok ? 0 : 1;
}
