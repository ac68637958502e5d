// The window program's fault reports, under its own QApplication on the X server: an exception
// that escapes an event handler or a server thread is written down and shown in the error-report
// dialog, and the program goes on; a fatal fault's report of an earlier run is offered once.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTranslator>
#include <stdexcept>

#include "app/ErrorReportDialog.h"
#include "app/ReportingApplication.h"
#include "core/FaultReporting.h"
#include "platform/ProgramVersion.h"
#include "server/WorkerPool.h"
#include "tests/app/QtTestHelpers.h"
#include "tests/support/Loopback.h"
#include "tests/support/TempFolder.h"

namespace korvane {
namespace {

namespace fs = std::filesystem;

// The window program's own application, made at first use: listing the tests needs no display.
ReportingApplication& application() {
    static int argc = 1;
    static char name[] = "app_fault_report_test";
    static char* argv[] = {name, nullptr};
    static auto* app = new ReportingApplication(argc, argv);
    return *app;
}

std::vector<ErrorReportDialog*> shownDialogs() {
    std::vector<ErrorReportDialog*> dialogs;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<ErrorReportDialog*>(widget);
            dialog && dialog->isVisible()) {
            dialogs.push_back(dialog);
        }
    }
    return dialogs;
}

// The one dialog that shows up; null when none (or more than one) does.
ErrorReportDialog* awaitDialog() {
    test::waitUntil([] { return !shownDialogs().empty(); });
    QCoreApplication::processEvents();
    const auto dialogs = shownDialogs();
    return dialogs.size() == 1 ? dialogs.front() : nullptr;
}

void closeAll() {
    for (ErrorReportDialog* dialog : shownDialogs()) {
        dialog->closeButton->click();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

mode_t modeOf(const fs::path& path) {
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info.st_mode & 0777;
}

fs::path savedPath(const ErrorReportDialog& dialog) {
    const QString prefix = QStringLiteral("報告の保存先: ");
    const QString text = dialog.savedIn->text();
    return text.startsWith(prefix) ? fs::path(text.mid(prefix.size()).toStdString()) : fs::path();
}

class FaultReportDialog : public ::testing::Test {
  protected:
    FaultReportDialog() : faults(folder / "korvane-server.ini", "korvane-server") {
        faults.start();
        application().reportTo(faults);
    }
    ~FaultReportDialog() override { closeAll(); }

    test::TempFolder folder;
    FaultReporting faults;
};

// A panel of the window whose event handler fails on the event the test sends it. Straight from
// the event loop to the handler: Qt's own frames between them, unwound by the exception without
// their cleanup, hold nothing here that the leak checker would find lost.
class FailingPanel : public QWidget {
  public:
    static constexpr QEvent::Type kFailingEvent = QEvent::User;

  protected:
    bool event(QEvent* event) override {
        if (event->type() == kFailingEvent) {
            throw std::runtime_error("保存先のディスクがいっぱいです");
        }
        return QWidget::event(event);
    }
};

TEST_F(FaultReportDialog, AnEventHandlerThatThrowsShowsTheReportAndTheWindowGoesOn) {
    FailingPanel panel;
    auto* button = new QPushButton(QStringLiteral("保存"), &panel);
    int clicks = 0;
    QObject::connect(button, &QPushButton::clicked, [&clicks] { ++clicks; });
    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    QCoreApplication::postEvent(&panel, new QEvent(FailingPanel::kFailingEvent));

    ErrorReportDialog* dialog = awaitDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->whatHappened->text(),
              QStringLiteral("予期しないエラーが発生しました。直前の操作は終わっていないことがあり"
                             "ますが、プログラムはこのまま使えます。"));
    EXPECT_EQ(dialog->version->text(),
              QStringLiteral("バージョン: ") + QString::fromUtf8(programVersion()));
    const fs::path saved = savedPath(*dialog);
    EXPECT_EQ(saved.parent_path(), folder / "reports") << dialog->savedIn->text().toStdString();
    EXPECT_EQ(modeOf(saved), 0600u);
    const std::string text = test::readAll(saved);
    EXPECT_EQ(dialog->reportText->toPlainText().toStdString(), text);
    EXPECT_TRUE(text.starts_with("KORVANE Server " + std::string(programVersion()) +
                                 " (korvane-server)\n日時: "))
        << text;
    EXPECT_NE(text.find("画面のイベント処理 (イベントの種類 "), std::string::npos) << text;
    EXPECT_NE(text.find(": 保存先のディスクがいっぱいです\n"), std::string::npos) << text;

    dialog->copyButton->click();
    const QString copied = QGuiApplication::clipboard()->text();
    EXPECT_TRUE(copied.startsWith(QString::fromStdString(text))) << copied.toStdString();
    EXPECT_TRUE(copied.endsWith(dialog->savedIn->text())) << copied.toStdString();

    // The program goes on: the panel's button works, timers fire.
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(clicks, 1);
    bool fired = false;
    QTimer::singleShot(0, [&fired] { fired = true; });
    EXPECT_TRUE(test::waitUntil([&fired] { return fired; }));
    EXPECT_EQ(shownDialogs().size(), 1u) << "one fault, one dialog";
}

TEST_F(FaultReportDialog, AnExceptionThatEscapesAServerThreadIsShownOnTheWindow) {
    {
        WorkerPool pool;
        pool.run([] { throw std::logic_error("状態が壊れています"); });
    }
    ErrorReportDialog* dialog = awaitDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_NE(dialog->reportText->toPlainText().indexOf(
                  QStringLiteral("サーバーのスレッド: 状態が壊れています")),
              -1)
        << dialog->reportText->toPlainText().toStdString();
    EXPECT_TRUE(fs::exists(savedPath(*dialog)));
}

// The tests' copy of korvane-host, which faults once it listens, run on the same settings file
// (korvane-host shares the window program's): its status as waitpid gives it.
int crashHostOn(const fs::path& settingsFile) {
    const fs::path runtime = settingsFile.parent_path() / "runtime";
    fs::create_directories(runtime);
    fs::permissions(runtime, fs::perms::owner_all);
    std::vector<std::string> args{
        KORVANE_CRASHING_HOST, "--settings", settingsFile.string(),           "--address",
        "127.0.0.1",           "--port",     std::to_string(test::freePort())};
    std::vector<std::string> environment{
        "XDG_RUNTIME_DIR=" + runtime.string(),
        "DISPLAY=" + qEnvironmentVariable("DISPLAY").toStdString()};
    auto pointers = [](std::vector<std::string>& texts) {
        std::vector<char*> all;
        for (std::string& text : texts) {
            all.push_back(text.data());
        }
        all.push_back(nullptr);
        return all;
    };
    std::vector<char*> argv = pointers(args);
    std::vector<char*> envp = pointers(environment);
    const pid_t child = ::fork();
    if (child == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return status;
}

TEST_F(FaultReportDialog, ACrashOfAnEarlierRunIsOfferedOnce) {
    const int status = crashHostOn(folder / "korvane-server.ini");
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGSEGV) << status;

    application().offerEarlierReports();
    ErrorReportDialog* dialog = awaitDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(
        dialog->whatHappened->text(),
        QStringLiteral("前回の実行で、KORVANE Server は異常終了しました。そのときの報告です。"));
    const fs::path saved = savedPath(*dialog);
    EXPECT_EQ(saved.parent_path(), folder / "reports");
    EXPECT_TRUE(saved.filename().string().starts_with("crash-")) << saved;
    EXPECT_EQ(modeOf(saved), 0600u);
    const QString text = dialog->reportText->toPlainText();
    EXPECT_EQ(text.toStdString(), test::readAll(saved));
    EXPECT_TRUE(text.startsWith(QStringLiteral("KORVANE Server ") +
                                QString::fromUtf8(programVersion()) +
                                QStringLiteral(" (korvane-host)\n")))
        << text.toStdString();
    EXPECT_NE(text.indexOf(QStringLiteral("シグナル: 11 (SIGSEGV)")), -1) << text.toStdString();
    closeAll();

    application().offerEarlierReports();
    QCoreApplication::processEvents();
    EXPECT_TRUE(shownDialogs().empty());
}

TEST(FaultReportDialogInEnglish, SaysWhatHappenedAndWhereTheReportIs) {
    application();
    QTranslator english;
    ASSERT_TRUE(english.load(QStringLiteral(":/translations/korvane-server_en.qm")));
    QCoreApplication::installTranslator(&english);
    struct Case {
        FaultReport report;
        QString whatHappened;
        QString savedIn;
    };
    const Case cases[] = {
        {{.kind = FaultReport::Kind::Exception, .file = "/home/shop/reports/error-1.txt"},
         QStringLiteral("An unexpected error occurred. The last action may not have been "
                        "completed, but the program can still be used."),
         QStringLiteral("Report saved in: /home/shop/reports/error-1.txt")},
        {{.kind = FaultReport::Kind::EarlierCrash},
         QStringLiteral(
             "KORVANE Server ended abnormally the last time it ran. This is the report from then."),
         QStringLiteral("The report could not be saved.")},
    };
    for (const Case& c : cases) {
        ErrorReportDialog dialog(c.report);
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("KORVANE Server - Error report"));
        EXPECT_EQ(dialog.whatHappened->text(), c.whatHappened);
        EXPECT_EQ(dialog.version->text(),
                  QStringLiteral("Version: ") + QString::fromUtf8(programVersion()));
        EXPECT_EQ(dialog.savedIn->text(), c.savedIn);
        EXPECT_EQ(dialog.copyButton->text(), QStringLiteral("Copy report"));
        EXPECT_EQ(dialog.closeButton->text(), QStringLiteral("Close"));
    }
    QCoreApplication::removeTranslator(&english);
}

}  // namespace
}  // namespace korvane
