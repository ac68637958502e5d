#include "app/MainWindow.h"
#include "tests/support/Loopback.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <atomic>
#include <fstream>
#include <future>
#include <memory>
#include <mutex>
#include <thread>

#include "app/DevicesDialog.h"
#include "app/QrCode.h"
#include "core/Settings.h"
#include "handling/DeviceSettings.h"
#include "platform/Socket.h"
#include "tests/app/AppFakes.h"
#include "tests/app/QtTestHelpers.h"
#include "tests/support/TempFolder.h"
#include "tools/PhoneClient.h"

namespace korvane {
namespace {

using test::decodeQr;
using test::waitUntil;

using test::FakeDialogs;

const char kPortInvalid[] = "ポート番号が不正です。";

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override { test::app(); }

    MainWindow& form() {
        if (!mForm) {
            mForm = std::make_unique<MainWindow>(mDesktop, mDialogs, mIni, mFolder / "capture.png",
                                                 [this](std::vector<LocalAddress>& addresses) {
                                                     addresses = mAddresses;
                                                     return !mAddresses.empty();
                                                 });
        }
        return *mForm;
    }

    // Destroys the window as the program's end does; the settings are then on disk.
    void destroy() { mForm.reset(); }

    std::string caption() { return form().listenButton->text().toStdString(); }

    bool listening() { return caption() == kStopCaption; }

    // The controls match the Stopped or the Listening row of the state table.
    void expectState(bool listening) {
        MainWindow& f = form();
        EXPECT_EQ(caption(), listening ? kStopCaption : kListenCaption);
        for (QWidget* control : std::initializer_list<QWidget*>{
                 f.portEdit, f.addressBox, f.autoStartCheck, f.minimizeCheck, f.closeButton}) {
            EXPECT_EQ(control->isEnabled(), !listening) << control->objectName().toStdString();
        }
        EXPECT_EQ(f.statusLabel->text().toStdString(), listening ? "待ち受け中" : "待ち受け停止中");
        EXPECT_EQ(f.statusLabel->palette().color(QPalette::Window),
                  listening ? QColor(0x00, 0xFF, 0x00) : QColor(0xC0, 0xC0, 0xC0));
        EXPECT_EQ(f.qrBitmap().isNull(), !listening);
    }

    void stopAndWait() {
        form().listenButton->click();
        ASSERT_TRUE(waitUntil([&] { return !listening(); }));
    }

    test::TempFolder mFolder;
    std::filesystem::path mIni = mFolder / "korvane-server.ini";
    std::vector<LocalAddress> mAddresses = {{"192.0.2.10", "eth0"}, {"127.0.0.1", "lo"}};
    test::NoDesktop mDesktop;
    FakeDialogs mDialogs;
    std::unique_ptr<MainWindow> mForm;
};

TEST_F(MainWindowTest, FirstRunWithoutSettings) {
    MainWindow& f = form();
    EXPECT_EQ(f.windowTitle().toStdString(), "KORVANE Server Ver1.1.2.0");
    EXPECT_EQ(f.portEdit->text().toStdString(), "65001");
    EXPECT_FALSE(f.autoStartCheck->isChecked());
    EXPECT_FALSE(f.minimizeCheck->isChecked());
    EXPECT_EQ(f.addressBox->currentText().toStdString(), "192.0.2.10 (eth0)");
    EXPECT_EQ(f.addressBox->currentData().toString().toStdString(), "192.0.2.10");
    EXPECT_EQ(f.pos(), QPoint(0, 0));
    EXPECT_EQ(f.size(), QSize(800, 600));
    expectState(false);
    QStringList memo = f.aboutText->toPlainText().split('\n');
    ASSERT_EQ(memo.size(), 11);
    EXPECT_EQ(
        memo[0].toStdString(),
        "本プログラムを使った結果の損害などについて、開発者は、一切の責任を負わないものとします"
        "。");
    EXPECT_EQ(memo[5].toStdString(), "通信には[Mirovel]を利用しています。");

    destroy();
    AppSettings saved = readSettings(mIni);
    EXPECT_EQ(saved.ipAddress, "");  // no start was attempted
    EXPECT_EQ(saved.portNo, "65001");
    EXPECT_EQ(saved.width, 800);
    EXPECT_EQ(saved.height, 600);
}

// Text the program did not change keeps its bytes: full-width digits typed in CP932 by a Japanese
// input method in the port (shown with U+FFFD in the field) and in a key the program does not
// know survive the save at exit; an edited port is written as typed.
TEST_F(MainWindowTest, TextValuesThatWereNotChangedKeepTheirBytes) {
    const std::string fullWidthPort = "\x82\x55\x82\x54\x82\x4f\x82\x4f\x82\x50";  // ６５００１
    const std::string settings = "[Setting]\r\nIpAddress=192.0.2.10\r\nPortNo=" + fullWidthPort +
                                 "\r\nMemo=\x83\x65\x83\x58\x83\x67\r\nAutoStart=0\r\n"
                                 "Minimize=0\r\n[Window]\r\n";
    test::writeAll(mIni, settings);
    EXPECT_TRUE(form().portEdit->text().contains(QChar(0xFFFD)));
    destroy();
    const std::string saved = test::readAll(mIni);
    EXPECT_EQ(saved.substr(0, settings.size()), settings);
    EXPECT_EQ(readSettings(mIni).width, 800) << "the window's place is what changed";

    form().portEdit->setText(QStringLiteral("６５００２"));
    destroy();
    EXPECT_EQ(readSettings(mIni).portNo, "６５００２");
}

TEST_F(MainWindowTest, StartAndStopWalkTheStateTable) {
    const std::string port = std::to_string(test::freePort());
    form().addressBox->setCurrentIndex(1);
    form().portEdit->setText(QString::fromStdString(port));
    form().listenButton->click();
    EXPECT_TRUE(mDialogs.shown.empty());
    expectState(true);
    EXPECT_EQ(decodeQr(form().qrBitmap()), qrPayload("127.0.0.1", port));
    // The close rule while listening: a warning, and the window stays.
    form().show();
    EXPECT_FALSE(form().close());
    EXPECT_EQ(mDialogs.shown, std::vector<std::string>{"warning:待ち受けを停止してください。"});

    stopAndWait();
    expectState(false);
    ASSERT_TRUE(waitUntil([&] { return form().logList->model()->rowCount() >= 2; }));
    const std::string newest = form().logList->model()->index(0, 0).data().toString().toStdString();
    EXPECT_NE(newest.find("[Server][Listner_Information]待ち受けを終了しました。"),
              std::string::npos)
        << newest;
}

TEST_F(MainWindowTest, PortTexts) {
    const std::string free = std::to_string(test::freePort());
    const struct {
        std::string text;
        std::string error;  // empty: listening starts
    } cases[] = {
        {"abc", std::string(kPortInvalid) + "\r''abc'' は整数ではありません"},
        {"", std::string(kPortInvalid) + "\r'''' は整数ではありません"},
        {free + " ", std::string(kPortInvalid) + "\r''" + free + " '' は整数ではありません"},
        {" " + free, ""},
        {"0" + free, ""},
    };
    form().addressBox->setCurrentIndex(1);
    for (const auto& c : cases) {
        SCOPED_TRACE("port text '" + c.text + "'");
        mDialogs.shown.clear();
        form().portEdit->setText(QString::fromStdString(c.text));
        form().listenButton->click();
        // The chosen address is taken before the port is checked.
        EXPECT_EQ(form().selectedAddress(), "127.0.0.1");
        if (!c.error.empty()) {
            EXPECT_EQ(mDialogs.shown, std::vector<std::string>{"error:" + c.error});
            expectState(false);
            continue;
        }
        EXPECT_TRUE(mDialogs.shown.empty());
        expectState(true);
        // The code carries the text as typed, not the number.
        EXPECT_EQ(decodeQr(form().qrBitmap()), qrPayload("127.0.0.1", c.text));
        stopAndWait();
    }
}

TEST_F(MainWindowTest, APortOutsideTheTcpRangeFailsAsABindFailure) {
    for (const char* port : {"70000", "0", "-1"}) {
        SCOPED_TRACE(port);
        form().addressBox->setCurrentIndex(1);
        form().portEdit->setText(port);
        form().listenButton->click();
        ASSERT_TRUE(waitUntil([&] { return !listening(); }));
        expectState(false);
        EXPECT_TRUE(mDialogs.shown.empty());
        ASSERT_TRUE(waitUntil([&] { return form().logList->model()->rowCount() >= 2; }));
        auto line = [&](int row) {
            return form().logList->model()->index(row, 0).data().toString().toStdString();
        };
        EXPECT_NE(
            line(1).find("[Server][Lister_Error]待ち受け開始に失敗しました。 \u21B5 [bind]に失敗し"
                         "ました。"),
            std::string::npos)
            << line(1);
        EXPECT_NE(line(0).find("[Listner_Information]待ち受けを終了しました。"), std::string::npos);
        destroy();
    }
}

TEST_F(MainWindowTest, NoAddressRefusesEveryStartWithThePortError) {
    mAddresses.clear();
    EXPECT_EQ(form().addressBox->count(), 0);
    form().listenButton->click();
    EXPECT_EQ(mDialogs.shown, std::vector<std::string>{std::string("error:") + kPortInvalid});
    expectState(false);
}

TEST_F(MainWindowTest, SavedAddressSelectedWhenPresentKeptWhenNot) {
    AppSettings settings;
    settings.ipAddress = "127.0.0.1";
    ASSERT_EQ(writeSettings(mIni, settings), std::nullopt);
    EXPECT_EQ(form().addressBox->currentData().toString().toStdString(), "127.0.0.1");
    destroy();

    settings.ipAddress = "198.51.100.7";
    ASSERT_EQ(writeSettings(mIni, settings), std::nullopt);
    EXPECT_EQ(form().addressBox->currentIndex(), 0);
    EXPECT_EQ(form().selectedAddress(), "198.51.100.7");
    destroy();
    EXPECT_EQ(readSettings(mIni).ipAddress, "198.51.100.7");
}

TEST_F(MainWindowTest, CloseWhileStoppedAsksAndNoKeepsTheWindow) {
    QSignalSpy closed(&form(), &MainWindow::closed);
    form().show();
    mDialogs.answers = {false, true};
    EXPECT_FALSE(form().close());
    EXPECT_TRUE(form().isVisible());
    form().closeButton->click();
    EXPECT_FALSE(form().isVisible());
    EXPECT_EQ(closed.count(), 1);
    EXPECT_EQ(mDialogs.shown, (std::vector<std::string>{"confirm:プログラムを終了しますか？",
                                                        "confirm:プログラムを終了しますか？"}));
}

TEST_F(MainWindowTest, MinimisesOnASuccessfulStartOnly) {
    form().show();
    form().minimizeCheck->setChecked(true);
    form().addressBox->setCurrentIndex(1);
    form().portEdit->setText("abc");
    form().listenButton->click();
    EXPECT_FALSE(form().isMinimized());
    form().portEdit->setText(QString::number(test::freePort()));
    form().listenButton->click();
    EXPECT_TRUE(form().isMinimized());
}

TEST_F(MainWindowTest, SessionEndWhileListeningStopsTheServerAndSaves) {
    const std::string port = std::to_string(test::freePort());
    form().show();
    form().addressBox->setCurrentIndex(1);
    form().portEdit->setText(QString::fromStdString(port));
    form().listenButton->click();
    ASSERT_TRUE(listening());
    form().endSession();
    EXPECT_TRUE(form().close());
    EXPECT_TRUE(mDialogs.shown.empty());
    destroy();
    AppSettings saved = readSettings(mIni);
    EXPECT_EQ(saved.ipAddress, "127.0.0.1");
    EXPECT_EQ(saved.portNo, port);
    // The port is free again: the listener has ended.
    net::SocketHandle sock = net::openTcpSocket();
    EXPECT_TRUE(net::bindIPv4(sock, "127.0.0.1", static_cast<std::uint16_t>(std::stoi(port))));
    net::closeSocket(sock);
}

TEST_F(MainWindowTest, StoppedStateFromAServerThreadNeverWaitsForTheWindow) {
    form().addressBox->setCurrentIndex(1);
    form().portEdit->setText(QString::number(test::freePort()));
    form().listenButton->click();
    ASSERT_TRUE(listening());
    // The window's thread is busy (it does not run its event loop here) while a server thread
    // logs, reports the end of listening, and logs again: none of it may wait for the window.
    std::thread server([&] {
        form().handler().addLog("Server", "before");
        form().handler().onServerEvent({.kind = EventKind::ListenerEnded, .data = "ended"});
        form().handler().addLog("Server", "after");
    });
    server.join();
    EXPECT_TRUE(listening());
    QCoreApplication::processEvents();
    expectState(false);
    EXPECT_TRUE(form().qrBitmap().isNull());
    mForm->listenButton->click();  // the server itself was never stopped: refused, already started
    EXPECT_EQ(mDialogs.shown, std::vector<std::string>{"error:既に待ち受け開始済みです。"});
}

TEST_F(MainWindowTest, LogLinesAppearInLockOrderNewestFirst) {
    // Four threads write lines as request handling does: each line is passed on under a lock.
    MainWindow& f = form();
    std::mutex logLock;
    std::vector<std::string> lockOrder;
    constexpr int kThreads = 4;
    constexpr int kLines = 2500;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kLines; ++i) {
                std::lock_guard guard(logLock);
                std::string line = std::to_string(t) + ":" + std::to_string(i);
                lockOrder.push_back(line);
                f.insertLogLine(line);
            }
        });
    }
    // The window keeps running its loop meanwhile.
    while (!waitUntil([&] { return f.logList->model()->rowCount() == kThreads * kLines; }, 50)) {
    }
    for (auto& thread : threads) {
        thread.join();
    }
    QCoreApplication::processEvents();
    const QAbstractItemModel& model = *f.logList->model();
    ASSERT_EQ(model.rowCount(), kThreads * kLines);
    for (int row = 0; row < model.rowCount(); ++row) {
        ASSERT_EQ(model.index(row, 0).data().toString().toStdString(),
                  lockOrder[lockOrder.size() - 1 - row])
            << "row " << row;
    }
    // The newest line is the selection.
    EXPECT_EQ(f.logList->selectionModel()->selectedIndexes().value(0).row(), 0);
}

TEST_F(MainWindowTest, AClickShowsTheSelectedLineAndNewLinesLeaveTheDetailAlone) {
    MainWindow& f = form();
    f.resize(800, 600);
    f.show();
    f.handler().addLog("Server", "first");
    f.handler().addLog("Server", "second");
    // Lines reach the list once a frame.
    ASSERT_TRUE(waitUntil([&] { return f.logList->model()->rowCount() == 2; }));
    EXPECT_TRUE(f.detailText->toPlainText().isEmpty());

    QModelIndex older = f.logList->model()->index(1, 0);
    QTest::mouseClick(f.logList->viewport(), Qt::LeftButton, {},
                      f.logList->visualRect(older).center());
    const QString shown = f.detailText->toPlainText();
    EXPECT_TRUE(shown.endsWith("[Server]first")) << shown.toStdString();

    f.handler().addLog("Server", "third");
    ASSERT_TRUE(waitUntil([&] { return f.logList->model()->rowCount() == 3; }));
    EXPECT_EQ(f.detailText->toPlainText(), shown);
}

TEST_F(MainWindowTest, TheDesktopInUseIsLoggedAndWhatItCannotReachIsShown) {
    MainWindow& f = form();
    f.announceDesktop({.name = "X11"});
    QCoreApplication::processEvents();
    EXPECT_TRUE(f.detailText->toPlainText().isEmpty()) << "nothing to warn of";
    f.announceDesktop({.name = "X11 (XWayland)", .notice = "X11 のプログラムにだけ入力できます。"});
    QCoreApplication::processEvents();
    EXPECT_EQ(f.detailText->toPlainText().toStdString(), "X11 のプログラムにだけ入力できます。");
    const QAbstractItemModel& log = *f.logList->model();
    // Lines reach the list once a frame.
    ASSERT_TRUE(waitUntil([&] { return log.rowCount() == 3; }));
    EXPECT_TRUE(log.index(2, 0).data().toString().endsWith("[Server][Desktop]X11"));
    EXPECT_TRUE(log.index(1, 0).data().toString().endsWith("[Server][Desktop]X11 (XWayland)"));
    EXPECT_TRUE(log.index(0, 0).data().toString().endsWith(
        QString::fromUtf8("[Server][Desktop]X11 のプログラムにだけ入力できます。")));
}

TEST_F(MainWindowTest, AutomaticStartRunsOnceWhenChosen) {
    AppSettings settings;
    settings.ipAddress = "127.0.0.1";
    settings.portNo = "abc";
    settings.autoStart = true;
    ASSERT_EQ(writeSettings(mIni, settings), std::nullopt);
    form().armAutomaticStart();
    ASSERT_TRUE(waitUntil([&] { return !mDialogs.shown.empty(); }));
    EXPECT_EQ(mDialogs.shown.front().rfind(std::string("error:") + kPortInvalid, 0), 0u);
    QTest::qWait(300);
    EXPECT_EQ(mDialogs.shown.size(), 1u);
}

// The window's box decides, as the user left it: checked, the window starts listening on its own;
// unchecked, it stays stopped.
TEST_F(MainWindowTest, AutomaticStartListensOnItsOwnOnlyWhenTheBoxIsChecked) {
    for (const bool checked : {false, true}) {
        SCOPED_TRACE(checked);
        AppSettings settings;
        settings.ipAddress = "127.0.0.1";
        settings.portNo = std::to_string(test::freePort());
        settings.autoStart = !checked;
        ASSERT_EQ(writeSettings(mIni, settings), std::nullopt);
        form().autoStartCheck->setChecked(checked);
        form().armAutomaticStart();
        if (checked) {
            ASSERT_TRUE(waitUntil([&] { return listening(); }));
            expectState(true);
            stopAndWait();
        } else {
            QTest::qWait(300);
            EXPECT_FALSE(listening());
        }
        EXPECT_TRUE(mDialogs.shown.empty());
        destroy();
    }
}

}  // namespace
}  // namespace korvane

namespace korvane {
namespace {

// A phone that is not approved is listed in a window marked to be shown without taking the
// keyboard focus (a window manager honours that; with none, as under Xvfb, the X server's own
// focus rules decide, so the focus itself is not checked here); 許可 on its row keeps the phone
// with the settings at once, the row leaves and the window with it, and the devices dialog
// removes the phone again.
TEST_F(MainWindowTest, TheApprovalQuestionIsAnsweredAndTheAnswerSaved) {
    MainWindow& f = form();
    f.show();
    // As a server thread asks.
    std::thread([&] { f.approval().admits("PHONE-1", "192.0.2.5"); }).join();
    ASSERT_TRUE(waitUntil([&] { return f.approvalWindow() != nullptr; }));
    ApprovalWindow* question = f.approvalWindow();
    ASSERT_TRUE(waitUntil([&] { return question->isVisible(); }));
    EXPECT_TRUE(question->windowFlags() & Qt::WindowDoesNotAcceptFocus);
    EXPECT_TRUE(question->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_EQ(question->phoneList->focusPolicy(), Qt::NoFocus);
    for (ApprovalAnswer answer :
         {ApprovalAnswer::Always, ApprovalAnswer::ThisRun, ApprovalAnswer::RefuseAddress}) {
        QPushButton* button = question->answerButton("192.0.2.5", answer);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->focusPolicy(), Qt::NoFocus);
    }
    EXPECT_EQ(question->answerButton("192.0.2.5", ApprovalAnswer::Always)->text(), "許可");

    question->answerButton("192.0.2.5", ApprovalAnswer::Always)->click();
    ASSERT_TRUE(waitUntil([&] { return readDeviceSettings(mIni).devices.size() == 1; }));
    EXPECT_EQ(readDeviceSettings(mIni).devices[0].clientKey, "PHONE-1");
    EXPECT_EQ(readDeviceSettings(mIni).devices[0].lastAddress, "192.0.2.5");
    EXPECT_TRUE(f.approval().admits("PHONE-1", "192.0.2.5"));
    ASSERT_TRUE(waitUntil([&] { return !question->isVisible(); }));
    EXPECT_EQ(f.findChildren<ApprovalWindow*>().size(), 1) << "one window at most";

    DevicesDialog dialog(f.approvalDesk(), &f);
    ASSERT_EQ(dialog.deviceList->topLevelItemCount(), 1);
    EXPECT_EQ(dialog.deviceList->topLevelItem(0)->text(0).toStdString(), "PHONE-1");
    dialog.deviceList->setCurrentItem(dialog.deviceList->topLevelItem(0));
    dialog.removeButton->click();
    EXPECT_EQ(dialog.deviceList->topLevelItemCount(), 0);
    ASSERT_TRUE(waitUntil([&] { return readDeviceSettings(mIni).devices.empty(); }));
}

// A key whose characters would add an address line to the list, or to the devices list, shows on
// its own row there, with its line break as a visible mark.
TEST_F(MainWindowTest, AKeyCannotAddALineToTheQuestionOrTheDevicesList) {
    MainWindow& f = form();
    f.show();
    const std::string key = "\u3000\nアドレス: 192.168.1.20";
    std::thread([&] { f.approval().admits(key, "192.0.2.5"); }).join();
    ASSERT_TRUE(waitUntil([&] { return f.approvalWindow() != nullptr; }));
    ApprovalWindow* question = f.approvalWindow();
    ASSERT_EQ(question->phoneList->topLevelItemCount(), 1);
    QTreeWidgetItem* row = question->phoneList->topLevelItem(0);
    EXPECT_EQ(row->text(0).toStdString(), "\u3000\u240Aアドレス: 192.168.1.20");
    EXPECT_EQ(row->text(1).toStdString(), "192.0.2.5");
    for (int column = 0; column < question->phoneList->columnCount(); ++column) {
        EXPECT_FALSE(row->text(column).contains(QLatin1Char('\n'))) << column;
    }
    for (const QLabel* label : question->findChildren<QLabel*>()) {
        EXPECT_FALSE(label->text().contains(QStringLiteral("192.168.1.20")));
    }

    question->answerButton("192.0.2.5", ApprovalAnswer::Always)->click();
    ASSERT_TRUE(waitUntil([&] { return f.approval().devices().size() == 1; }));
    EXPECT_EQ(f.approval().devices()[0].clientKey, key) << "the key itself, not its picture";
    DevicesDialog dialog(f.approvalDesk(), &f);
    ASSERT_EQ(dialog.deviceList->topLevelItemCount(), 1);
    EXPECT_EQ(dialog.deviceList->topLevelItem(0)->text(0).toStdString(),
              "\u3000\u240Aアドレス: 192.168.1.20");
    dialog.deviceList->setCurrentItem(dialog.deviceList->topLevelItem(0));
    dialog.removeButton->click();
    EXPECT_TRUE(f.approval().devices().empty()) << "the key itself is removed, not its picture";
}

// A stranger sending settings checks under a fresh key every 5 ms from one address cannot hide a
// phone that asks from another: the window lists the phone beside the stranger's one row, and 許可
// on it lets the phone type. 拒否 on the stranger's row quiets him, and the devices dialog lifts
// that refusal and shows the decisions and the warning among the security lines.
TEST_F(MainWindowTest, ARealPhoneIsListedAndApprovedDuringAFreshKeyFlood) {
    MainWindow& f = form();
    f.show();
    const std::uint16_t port = test::freePort();
    f.addressBox->setCurrentIndex(1);
    f.portEdit->setText(QString::number(port));
    f.listenButton->click();
    ASSERT_TRUE(listening());
    std::atomic<bool> flooding{true};
    std::atomic<int> flooded{0};
    std::thread flooder([&] {
        for (int n = 0; flooding; ++n) {
            phone::converse("127.0.0.1", port, "F" + std::to_string(n), "101", true, 5000,
                            "127.0.0.1");
            ++flooded;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    ASSERT_TRUE(waitUntil([&] { return flooded >= 20; }));
    std::thread([&] {
        for (int n = 0; n < 5; ++n) {
            EXPECT_EQ(
                phone::converse("127.0.0.1", port, "REALPHONE", "101", true, 5000, "127.0.0.2")
                    .reply,
                "101\t1");
        }
    }).join();
    ASSERT_TRUE(waitUntil([&] { return f.approvalWindow() != nullptr; }));
    ApprovalWindow* window = f.approvalWindow();
    ASSERT_TRUE(waitUntil([&] {
        return window->isVisible() && window->phoneList->topLevelItemCount() == 2 &&
               window->answerButton("127.0.0.2", ApprovalAnswer::Always) != nullptr;
    }));
    ASSERT_TRUE(waitUntil([&] { return window->warningLabel->isVisible(); }));
    window->answerButton("127.0.0.2", ApprovalAnswer::Always)->click();
    ASSERT_TRUE(waitUntil([&] { return f.approval().devices().size() == 1; }));
    EXPECT_EQ(f.approval().devices()[0].clientKey, "REALPHONE");
    // Past approval the command goes to the desktop, which this window test has not.
    std::thread([&] {
        phone::converse("127.0.0.1", port, "REALPHONE", "102\tABC\t1\t1\t0", true, 5000,
                        "127.0.0.2");
    }).join();
    const QString passed =
        QStringLiteral("[REALPHONE][127.0.0.2][Client_Send]送信先の検索に失敗しました。");
    ASSERT_TRUE(waitUntil([&] {
        QAbstractItemModel* log = f.logList->model();
        for (int row = 0; row < std::min(log->rowCount(), 500); ++row) {
            if (log->index(row, 0).data().toString().endsWith(passed)) {
                return true;
            }
        }
        return false;
    }));

    window->answerButton("127.0.0.1", ApprovalAnswer::RefuseAddress)->click();
    ASSERT_TRUE(waitUntil([&] { return !window->isVisible(); }));
    const int before = flooded;
    ASSERT_TRUE(waitUntil([&] { return flooded >= before + 20; }));
    EXPECT_TRUE(f.approval().waitingPhones().phones.empty());
    flooding = false;
    flooder.join();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(f.findChildren<ApprovalWindow*>().size(), 1);

    DevicesDialog dialog(f.approvalDesk(), &f);
    QStringList security;
    for (int i = 0; i < dialog.securityList->count(); ++i) {
        security << dialog.securityList->item(i)->text();
    }
    const QString joined = security.join(QLatin1Char('\n'));
    EXPECT_TRUE(
        joined.contains(QStringLiteral("[REALPHONE][127.0.0.2][Approval]端末を承認しました。")))
        << joined.toStdString();
    EXPECT_TRUE(joined.contains(QStringLiteral("端末キーとアドレスを今回の実行中は拒否します。")));
    EXPECT_TRUE(joined.contains(QStringLiteral("短い時間に多くの未承認の端末キーから要求")));
    EXPECT_FALSE(joined.contains(QStringLiteral("Client_Receive")));
    ASSERT_EQ(dialog.refusalList->topLevelItemCount(), 2);
    EXPECT_EQ(dialog.refusalList->topLevelItem(1)->text(1), QStringLiteral("127.0.0.1"));
    dialog.refusalList->setCurrentItem(dialog.refusalList->topLevelItem(1));
    dialog.unrefuseButton->click();
    EXPECT_EQ(dialog.refusalList->topLevelItemCount(), 1);
    std::thread([&] { phone::converse("127.0.0.1", port, "AGAIN", "101"); }).join();
    ASSERT_TRUE(waitUntil([&] { return window->isVisible(); }));
    stopAndWait();
}

// The list's button shows the approval code; the phone that scans it is approved and saved, it
// leaves the list (and the list's window with it) and the code's window goes.
TEST_F(MainWindowTest, APhoneScanningTheCodeShownFromTheQuestionIsApproved) {
    MainWindow& f = form();
    const std::string port = std::to_string(test::freePort());
    f.addressBox->setCurrentIndex(1);
    f.portEdit->setText(QString::fromStdString(port));
    f.listenButton->click();
    ASSERT_TRUE(listening());
    f.show();
    std::thread([&] { f.approval().admits("PHONE", "127.0.0.1"); }).join();
    ASSERT_TRUE(waitUntil([&] { return f.approvalWindow() != nullptr; }));
    QPointer<ApprovalWindow> question = f.approvalWindow();
    question->codeButton->click();
    QPointer<ApprovalCodeWindow> shown = question->findChild<ApprovalCodeWindow*>();
    ASSERT_TRUE(shown);
    EXPECT_TRUE(shown->isVisible());
    const std::string code = shown->codeText();

    auto reply = std::async(std::launch::async, [&] {
        return phone::converse("127.0.0.1", static_cast<std::uint16_t>(std::stoi(port)), "PHONE",
                               "102\t" + code + "\t1\t1\t0")
            .reply.value_or("(none)");
    });
    ASSERT_TRUE(waitUntil([&] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return !question->isVisible() && shown.isNull();
    }));
    EXPECT_EQ(reply.get(), "102\t0") << "approved; no window to type into here";
    ASSERT_TRUE(waitUntil([&] { return readDeviceSettings(mIni).devices.size() == 1; }));
    EXPECT_EQ(readDeviceSettings(mIni).devices[0].clientKey, "PHONE");
    stopAndWait();
}

// 承認済みの端末 shows the approval code too, in a window of its own over the dialog; once a phone
// is approved by it the list shows the phone.
TEST_F(MainWindowTest, TheDevicesDialogShowsTheCodeAndListsThePhoneApprovedByIt) {
    MainWindow& f = form();
    f.show();
    int listed = -1;
    bool codeShown = false;
    QTimer::singleShot(0, &f, [&] {
        auto* dialog = f.findChild<DevicesDialog*>();
        if (dialog == nullptr) {
            return;
        }
        dialog->codeButton->click();
        if (auto* shown = dialog->findChild<ApprovalCodeWindow*>()) {
            codeShown = shown->isVisible();
            // As a server thread does for the phone that scanned it.
            f.approval().answer("PHONE", "192.0.2.5", ApprovalAnswer::Always);
            EXPECT_TRUE(f.approvalCode().use(shown->codeText()));
            shown->refresh();
            listed = dialog->deviceList->topLevelItemCount();
        }
        dialog->accept();
    });
    f.showDevices();
    EXPECT_TRUE(codeShown);
    EXPECT_EQ(listed, 1);
}

// Devices approved in an earlier run are approved in this one; DeviceApproval=0 lets every phone
// in without a question.
TEST_F(MainWindowTest, ApprovalComesFromTheSettingsFile) {
    ASSERT_EQ(writeApprovedDevices(mIni, {{"KEPT", "192.0.2.9", "2024/05/01 09:00:00"}}),
              std::nullopt);
    EXPECT_TRUE(form().approval().admits("KEPT", "192.0.2.9"));
    EXPECT_FALSE(form().approval().admits("STRANGER", "192.0.2.10"));
    destroy();
    std::ofstream(mIni, std::ios::app) << "[Setting]\nDeviceApproval=0\n";
    EXPECT_TRUE(form().approval().admits("STRANGER", "192.0.2.10"));
    QCoreApplication::processEvents();
    EXPECT_EQ(form().approvalWindow(), nullptr);
}

}  // namespace
}  // namespace korvane

namespace korvane {
namespace {

// A megabyte of request data costs the window a kilobyte, and the log keeps its newest 100,000
// lines however many come.
TEST_F(MainWindowTest, TheLogKeepsItsNewestLinesAndCutsLongOnes) {
    MainWindow& f = form();
    QAbstractItemModel* model = f.logList->model();
    f.handler().addLog("BIG", std::string(1 << 20, 'x'));
    ASSERT_TRUE(waitUntil([&] { return model->rowCount() == 1; }));
    const QString big = model->index(0, 0).data().toString();
    EXPECT_LT(big.size(), 1100);
    EXPECT_TRUE(big.endsWith(QString::fromUtf8("…(1048576 文字)")));

    for (int i = 0; i < 100005; ++i) {
        f.insertLogLine("line " + std::to_string(i));
    }
    ASSERT_TRUE(waitUntil(
        [&] { return model->index(0, 0).data().toString() == QString::fromUtf8("line 100004"); },
        30000));
    EXPECT_EQ(model->rowCount(), 100000);
    EXPECT_EQ(model->index(99999, 0).data().toString().toStdString(), "line 5");
}

// The list places rows by arithmetic (LogListView): after a frame that both adds lines at the top
// and drops the oldest at the cap, the newest is selected and drawn on top, the oldest can be
// scrolled to at the bottom, and a click anywhere picks the line drawn there.
TEST_F(MainWindowTest, AShownFullLogKeepsTheNewestSelectedOnTopAndAClickPicksTheLineUnderIt) {
    MainWindow& f = form();
    f.resize(800, 600);
    f.show();
    QAbstractItemModel* model = f.logList->model();
    QWidget* rows = f.logList->viewport();
    const auto newestIs = [&](const std::string& line) {
        return model->index(0, 0).data().toString().toStdString() == line;
    };
    const auto add = [&](int from, int to) {
        for (int i = from; i < to; ++i) {
            f.insertLogLine("line " + std::to_string(i));
        }
    };
    add(0, 100000);
    ASSERT_TRUE(waitUntil([&] { return newestIs("line 99999"); }, 30000));
    // A frame at the cap: 50 lines come in on top and the 50 oldest go.
    add(100000, 100050);
    ASSERT_TRUE(waitUntil([&] { return newestIs("line 100049"); }));
    ASSERT_EQ(model->rowCount(), 100000);
    const QModelIndex newest = model->index(0, 0);
    EXPECT_EQ(f.logList->selectionModel()->selectedIndexes(), QModelIndexList{newest});
    EXPECT_EQ(f.logList->verticalScrollBar()->value(), 0);
    const int rowHeight = f.logList->visualRect(newest).height();
    ASSERT_GT(rowHeight, 0);
    EXPECT_EQ(f.logList->visualRect(newest).top(), 0);
    EXPECT_EQ(f.logList->indexAt(QPoint(5, rowHeight + rowHeight / 2)), model->index(1, 0));
    // Only the top row is drawn as selected.
    const QImage drawn = rows->grab().toImage();
    const QColor highlight = f.logList->palette().color(QPalette::Normal, QPalette::Highlight);
    EXPECT_EQ(drawn.pixelColor(rows->width() - 2, rowHeight / 2), highlight);
    EXPECT_NE(drawn.pixelColor(rows->width() - 2, rowHeight + rowHeight / 2), highlight);

    // The oldest line kept is the bottom row once scrolled to the end, and a click shows it.
    f.logList->scrollToBottom();
    const QModelIndex oldest = model->index(99999, 0);
    const QRect oldestRect = f.logList->visualRect(oldest);
    EXPECT_TRUE(rows->rect().contains(oldestRect)) << oldestRect.y() << " in " << rows->height();
    EXPECT_GT(oldestRect.bottom() + rowHeight, rows->height());
    QTest::mouseClick(rows, Qt::LeftButton, {}, oldestRect.center());
    EXPECT_EQ(f.detailText->toPlainText().toStdString(), "line 50");
    const QModelIndex above = model->index(99990, 0);
    QTest::mouseClick(rows, Qt::LeftButton, {}, f.logList->visualRect(above).center());
    EXPECT_EQ(f.detailText->toPlainText().toStdString(), "line 59");

    // The next frame selects its newest line and brings the top back into view.
    add(100050, 100051);
    ASSERT_TRUE(waitUntil([&] { return newestIs("line 100050"); }));
    EXPECT_EQ(model->rowCount(), 100000);
    EXPECT_EQ(f.logList->selectionModel()->selectedIndexes(), QModelIndexList{model->index(0, 0)});
    EXPECT_EQ(f.logList->verticalScrollBar()->value(), 0);
    EXPECT_EQ(f.detailText->toPlainText().toStdString(), "line 59");
}

}  // namespace
}  // namespace korvane
