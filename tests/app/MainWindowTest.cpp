#include "app/Unit1.h"
#include "tests/support/Loopback.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

#include "app/QrCode.h"
#include "app/Settings.h"
#include "platform/Socket.h"
#include "tests/app/AppFakes.h"
#include "tests/app/TempFolder.h"

#define ZX_USE_UTF8 1
#include <ZXing/ReadBarcode.h>

namespace korvane {
namespace {

using test::FakeDialogs;

const char kPortInvalid[] = "ポート番号が不正です。";

template <typename Predicate>
bool WaitUntil(Predicate done, int timeoutMs = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

std::string DecodeQr(const QImage& bitmap) {
    QImage grey = bitmap.convertToFormat(QImage::Format_Grayscale8);
    auto result =
        ZXing::ReadBarcode({grey.constBits(), grey.width(), grey.height(), ZXing::ImageFormat::Lum,
                            static_cast<int>(grey.bytesPerLine())});
    return result.isValid() ? result.text() : "";
}

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override { test::App(); }

    TForm1& Form() {
        if (!mForm) {
            mForm = std::make_unique<TForm1>(mDesktop, mDialogs, mIni, mFolder / "capture.png",
                                             [this](std::vector<std::string>& addresses) {
                                                 addresses = mAddresses;
                                                 return !mAddresses.empty();
                                             });
        }
        return *mForm;
    }

    // Destroys the window as the program's end does; the settings are then on disk.
    void Destroy() { mForm.reset(); }

    std::string Caption() { return Form().cmdListen->text().toStdString(); }

    bool Listening() { return Caption() == kCaptionStop; }

    // The controls match the Stopped or the Listening row of the state table.
    void ExpectState(bool listening) {
        TForm1& f = Form();
        EXPECT_EQ(Caption(), listening ? kCaptionStop : kCaptionStart);
        for (QWidget* control : std::initializer_list<QWidget*>{
                 f.txtPort, f.cmbIpAddress, f.chkAutoStart, f.chkMinimize, f.cmdClose}) {
            EXPECT_EQ(control->isEnabled(), !listening) << control->objectName().toStdString();
        }
        EXPECT_EQ(f.pnlConnect->text().toStdString(), listening ? "待ち受け中" : "待ち受け停止中");
        EXPECT_EQ(f.pnlConnect->palette().color(QPalette::Window),
                  listening ? QColor(0x00, 0xFF, 0x00) : QColor(0xC0, 0xC0, 0xC0));
        EXPECT_EQ(f.QrBitmap().isNull(), !listening);
    }

    void StopAndWait() {
        Form().cmdListen->click();
        ASSERT_TRUE(WaitUntil([&] { return !Listening(); }));
    }

    test::TempFolder mFolder;
    std::filesystem::path mIni = mFolder / "korvane-server.ini";
    std::vector<std::string> mAddresses = {"192.0.2.10", "127.0.0.1"};
    test::NoDesktop mDesktop;
    FakeDialogs mDialogs;
    std::unique_ptr<TForm1> mForm;
};

TEST_F(MainWindowTest, FirstRunWithoutSettings) {
    TForm1& f = Form();
    EXPECT_EQ(f.windowTitle().toStdString(), "KORVANE Server Ver1.1.2.0");
    EXPECT_EQ(f.txtPort->text().toStdString(), "65001");
    EXPECT_FALSE(f.chkAutoStart->isChecked());
    EXPECT_FALSE(f.chkMinimize->isChecked());
    EXPECT_EQ(f.cmbIpAddress->currentText().toStdString(), "192.0.2.10");
    EXPECT_EQ(f.pos(), QPoint(0, 0));
    EXPECT_EQ(f.size(), QSize(800, 600));
    EXPECT_FALSE(f.tmrStart->isActive());
    EXPECT_EQ(f.tmrStart->interval(), 100);
    ExpectState(false);
    QStringList memo = f.Memo1->toPlainText().split('\n');
    ASSERT_EQ(memo.size(), 11);
    EXPECT_EQ(
        memo[0].toStdString(),
        "本プログラムを使った結果の損害などについて、開発者は、一切の責任を負わないものとします"
        "。");
    EXPECT_EQ(memo[5].toStdString(), "通信には[Mirovel]を利用しています。");

    Destroy();
    TAppSettings saved = ReadSettings(mIni);
    EXPECT_EQ(saved.IpAddress, "");  // no start was attempted
    EXPECT_EQ(saved.PortNo, "65001");
    EXPECT_EQ(saved.Width, 800);
    EXPECT_EQ(saved.Height, 600);
}

TEST_F(MainWindowTest, StartAndStopWalkTheStateTable) {
    const std::string port = std::to_string(test::FreePort());
    Form().cmbIpAddress->setCurrentIndex(1);
    Form().txtPort->setText(QString::fromStdString(port));
    Form().cmdListen->click();
    EXPECT_TRUE(mDialogs.Shown.empty());
    ExpectState(true);
    EXPECT_EQ(DecodeQr(Form().QrBitmap()), QrPayload("127.0.0.1", port));
    // The close rule while listening: a warning, and the window stays.
    Form().show();
    EXPECT_FALSE(Form().close());
    EXPECT_EQ(mDialogs.Shown, std::vector<std::string>{"warning:待ち受けを停止してください。"});

    StopAndWait();
    ExpectState(false);
    ASSERT_TRUE(WaitUntil([&] { return Form().lstLog->model()->rowCount() >= 2; }));
    const std::string newest = Form().lstLog->model()->index(0, 0).data().toString().toStdString();
    EXPECT_NE(newest.find("[Server][Listner_Information]待ち受けを終了しました。"),
              std::string::npos)
        << newest;
}

TEST_F(MainWindowTest, PortTexts) {
    const std::string free = std::to_string(test::FreePort());
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
    Form().cmbIpAddress->setCurrentIndex(1);
    for (const auto& c : cases) {
        SCOPED_TRACE("port text '" + c.text + "'");
        mDialogs.Shown.clear();
        Form().txtPort->setText(QString::fromStdString(c.text));
        Form().cmdListen->click();
        // The chosen address is taken before the port is checked.
        EXPECT_EQ(Form().SelectedAddress(), "127.0.0.1");
        if (!c.error.empty()) {
            EXPECT_EQ(mDialogs.Shown, std::vector<std::string>{"error:" + c.error});
            ExpectState(false);
            continue;
        }
        EXPECT_TRUE(mDialogs.Shown.empty());
        ExpectState(true);
        // The code carries the text as typed, not the number.
        EXPECT_EQ(DecodeQr(Form().QrBitmap()), QrPayload("127.0.0.1", c.text));
        StopAndWait();
    }
}

TEST_F(MainWindowTest, APortOutsideTheTcpRangeFailsAsABindFailure) {
    for (const char* port : {"70000", "0", "-1"}) {
        SCOPED_TRACE(port);
        Form().cmbIpAddress->setCurrentIndex(1);
        Form().txtPort->setText(port);
        Form().cmdListen->click();
        ASSERT_TRUE(WaitUntil([&] { return !Listening(); }));
        ExpectState(false);
        EXPECT_TRUE(mDialogs.Shown.empty());
        ASSERT_TRUE(WaitUntil([&] { return Form().lstLog->model()->rowCount() >= 2; }));
        auto line = [&](int row) {
            return Form().lstLog->model()->index(row, 0).data().toString().toStdString();
        };
        EXPECT_NE(
            line(1).find("[Server][Lister_Error]待ち受け開始に失敗しました。\r\n[bind]に失敗しま"
                         "した。"),
            std::string::npos)
            << line(1);
        EXPECT_NE(line(0).find("[Listner_Information]待ち受けを終了しました。"), std::string::npos);
        Destroy();
    }
}

TEST_F(MainWindowTest, NoAddressRefusesEveryStartWithThePortError) {
    mAddresses.clear();
    EXPECT_EQ(Form().cmbIpAddress->count(), 0);
    Form().cmdListen->click();
    EXPECT_EQ(mDialogs.Shown, std::vector<std::string>{std::string("error:") + kPortInvalid});
    ExpectState(false);
}

TEST_F(MainWindowTest, SavedAddressSelectedWhenPresentKeptWhenNot) {
    TAppSettings settings;
    settings.IpAddress = "127.0.0.1";
    std::string error;
    ASSERT_TRUE(WriteSettings(mIni, settings, error));
    EXPECT_EQ(Form().cmbIpAddress->currentText().toStdString(), "127.0.0.1");
    Destroy();

    settings.IpAddress = "198.51.100.7";
    ASSERT_TRUE(WriteSettings(mIni, settings, error));
    EXPECT_EQ(Form().cmbIpAddress->currentIndex(), 0);
    EXPECT_EQ(Form().SelectedAddress(), "198.51.100.7");
    Destroy();
    EXPECT_EQ(ReadSettings(mIni).IpAddress, "198.51.100.7");
}

TEST_F(MainWindowTest, CloseWhileStoppedAsksAndNoKeepsTheWindow) {
    QSignalSpy closed(&Form(), &TForm1::Closed);
    Form().show();
    mDialogs.Answers = {false, true};
    EXPECT_FALSE(Form().close());
    EXPECT_TRUE(Form().isVisible());
    Form().cmdClose->click();
    EXPECT_FALSE(Form().isVisible());
    EXPECT_EQ(closed.count(), 1);
    EXPECT_EQ(mDialogs.Shown, (std::vector<std::string>{"confirm:プログラムを終了しますか？",
                                                        "confirm:プログラムを終了しますか？"}));
}

TEST_F(MainWindowTest, MinimisesOnASuccessfulStartOnly) {
    Form().show();
    Form().chkMinimize->setChecked(true);
    Form().cmbIpAddress->setCurrentIndex(1);
    Form().txtPort->setText("abc");
    Form().cmdListen->click();
    EXPECT_FALSE(Form().isMinimized());
    Form().txtPort->setText(QString::number(test::FreePort()));
    Form().cmdListen->click();
    EXPECT_TRUE(Form().isMinimized());
}

TEST_F(MainWindowTest, SessionEndWhileListeningStopsTheServerAndSaves) {
    const std::string port = std::to_string(test::FreePort());
    Form().show();
    Form().cmbIpAddress->setCurrentIndex(1);
    Form().txtPort->setText(QString::fromStdString(port));
    Form().cmdListen->click();
    ASSERT_TRUE(Listening());
    Form().EndSession();
    EXPECT_TRUE(Form().close());
    EXPECT_TRUE(mDialogs.Shown.empty());
    Destroy();
    TAppSettings saved = ReadSettings(mIni);
    EXPECT_EQ(saved.IpAddress, "127.0.0.1");
    EXPECT_EQ(saved.PortNo, port);
    // The port is free again: the listener has ended.
    net::SocketHandle sock = net::openTcpSocket();
    EXPECT_TRUE(net::bindIPv4(sock, "127.0.0.1", static_cast<std::uint16_t>(std::stoi(port))));
    net::closeSocket(sock);
}

TEST_F(MainWindowTest, StoppedStateFromAServerThreadNeverWaitsForTheWindow) {
    Form().cmbIpAddress->setCurrentIndex(1);
    Form().txtPort->setText(QString::number(test::FreePort()));
    Form().cmdListen->click();
    ASSERT_TRUE(Listening());
    // The window's thread is busy (it does not run its event loop here) while a server thread
    // logs, reports the end of listening, and logs again: none of it may wait for the window.
    std::thread server([&] {
        Form().Handler().addLog("Server", "before");
        Form().Handler().onServerEvent({.kind = EventKind::ListenerEnded, .data = "ended"});
        Form().Handler().addLog("Server", "after");
    });
    server.join();
    EXPECT_TRUE(Listening());
    QCoreApplication::processEvents();
    ExpectState(false);
    EXPECT_TRUE(Form().QrBitmap().isNull());
    mForm->cmdListen->click();  // the server itself was never stopped: refused, already started
    EXPECT_EQ(mDialogs.Shown, std::vector<std::string>{"error:既に待ち受け開始済みです。"});
}

TEST_F(MainWindowTest, LogLinesAppearInLockOrderNewestFirst) {
    // Four threads write lines as request handling does: each line is passed on under a lock.
    TForm1& f = Form();
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
    while (!WaitUntil([&] { return f.lstLog->model()->rowCount() == kThreads * kLines; }, 50)) {
    }
    for (auto& thread : threads) {
        thread.join();
    }
    QCoreApplication::processEvents();
    const QAbstractItemModel& model = *f.lstLog->model();
    ASSERT_EQ(model.rowCount(), kThreads * kLines);
    for (int row = 0; row < model.rowCount(); ++row) {
        ASSERT_EQ(model.index(row, 0).data().toString().toStdString(),
                  lockOrder[lockOrder.size() - 1 - row])
            << "row " << row;
    }
    // The newest line is the selection.
    EXPECT_EQ(f.lstLog->selectionModel()->selectedIndexes().value(0).row(), 0);
}

TEST_F(MainWindowTest, AClickShowsTheSelectedLineAndNewLinesLeaveTheDetailAlone) {
    TForm1& f = Form();
    f.resize(800, 600);
    f.show();
    f.Handler().addLog("Server", "first");
    f.Handler().addLog("Server", "second");
    QCoreApplication::processEvents();
    ASSERT_EQ(f.lstLog->model()->rowCount(), 2);
    EXPECT_TRUE(f.txtMessage->toPlainText().isEmpty());

    QModelIndex older = f.lstLog->model()->index(1, 0);
    QTest::mouseClick(f.lstLog->viewport(), Qt::LeftButton, {},
                      f.lstLog->visualRect(older).center());
    const QString shown = f.txtMessage->toPlainText();
    EXPECT_TRUE(shown.endsWith("[Server]first")) << shown.toStdString();

    f.Handler().addLog("Server", "third");
    QCoreApplication::processEvents();
    EXPECT_EQ(f.txtMessage->toPlainText(), shown);
}

TEST_F(MainWindowTest, AutomaticStartRunsOnceWhenChosen) {
    TAppSettings settings;
    settings.IpAddress = "127.0.0.1";
    settings.PortNo = "abc";
    settings.AutoStart = true;
    std::string error;
    ASSERT_TRUE(WriteSettings(mIni, settings, error));
    Form().tmrStart->start();
    ASSERT_TRUE(WaitUntil([&] { return !mDialogs.Shown.empty(); }));
    EXPECT_FALSE(Form().tmrStart->isActive());
    EXPECT_EQ(mDialogs.Shown.front().rfind(std::string("error:") + kPortInvalid, 0), 0u);
    QTest::qWait(300);
    EXPECT_EQ(mDialogs.Shown.size(), 1u);
}

}  // namespace
}  // namespace korvane
