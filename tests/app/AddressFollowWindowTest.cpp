// The window while the address it listens on goes and another takes its place, in a network
// namespace of the test's own (tests/support/PrivateNetwork.h) with the window's real address
// list: the status says listening waits for its address and no QR code is shown; then the list,
// the selection, the status and the QR code show the new address, which a phone reaches.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <fstream>

#include "app/LogListView.h"
#include "app/MainWindow.h"
#include "app/QrCode.h"
#include "core/QrPayload.h"
#include "tests/app/AppFakes.h"
#include "tests/app/QtTestHelpers.h"
#include "tests/support/Loopback.h"
#include "tests/support/PrivateNetwork.h"
#include "tests/support/TempFolder.h"
#include "tools/PhoneClient.h"

namespace korvane {
namespace {

using test::PrivateNetwork;
using test::waitUntil;

// The log's lines, newest first, for a failure's message.
std::string logOf(MainWindow& window) {
    std::string lines;
    for (int row = 0; row < window.logList->model()->rowCount(); ++row) {
        lines += window.logList->model()->index(row, 0).data().toString().toStdString() + "\n";
    }
    return lines;
}

TEST(AddressFollowWindowTest, TheStatusAndTheQrCodeFollowTheDefaultRoutesAddress) {
    if (std::string why = PrivateNetwork::enter(); !why.empty()) {
        GTEST_SKIP() << "no network namespace of the test's own here: " << why;
    }
    test::app();
    ASSERT_EQ(PrivateNetwork::addLink("lan0"), "");
    ASSERT_EQ(PrivateNetwork::ip("addr add 10.77.0.5/24 dev lan0\nroute add default dev lan0\n"),
              "");
    test::TempFolder folder;
    std::ofstream(folder / "korvane-server.ini") << "[Setting]\nDeviceApproval=0\n";
    test::NoDesktop desktop;
    test::FakeDialogs dialogs;
    MainWindow window(desktop, dialogs, folder / "korvane-server.ini", folder / "capture.png",
                      readLocalAddresses);
    const std::string port = std::to_string(test::freePort());
    ASSERT_EQ(window.addressBox->currentData().toString(), "10.77.0.5");
    window.portEdit->setText(QString::fromStdString(port));
    window.listenButton->click();
    ASSERT_EQ(window.statusLabel->text(), "待ち受け中");
    // The listener binds on a thread of its own: the address is taken away only once it listens.
    ASSERT_TRUE(
        waitUntil([&] { return PrivateNetwork::listensOn("10.77.0.5", std::stoi(port)); }, 20000));

    ASSERT_EQ(PrivateNetwork::ip("addr del 10.77.0.5/24 dev lan0\n"), "");
    ASSERT_TRUE(waitUntil([&] { return window.statusLabel->text() != "待ち受け中"; }, 20000));
    EXPECT_EQ(window.statusLabel->text().toStdString(), "IPアドレスの復帰待ち") << logOf(window);
    EXPECT_TRUE(window.qrBitmap().isNull());
    // Still listening as far as the user is concerned: the button stops the wait.
    EXPECT_EQ(window.listenButton->text().toStdString(), kStopCaption);
    EXPECT_EQ(window.addressBox->findData("10.77.0.5"), -1);

    ASSERT_EQ(
        PrivateNetwork::ip("addr add 10.77.0.9/24 dev lan0\nroute replace default dev lan0\n"), "");
    ASSERT_TRUE(waitUntil([&] { return window.statusLabel->text() == "待ち受け中"; }, 20000));
    EXPECT_EQ(window.addressBox->currentData().toString(), "10.77.0.9");
    EXPECT_EQ(window.selectedAddress(), "10.77.0.9");
    EXPECT_EQ(test::decodeQr(window.qrBitmap()), qrPayload("10.77.0.9", port));
    ASSERT_TRUE(
        waitUntil([&] { return PrivateNetwork::listensOn("10.77.0.9", std::stoi(port)); }, 20000));
    EXPECT_EQ(phone::converse("10.77.0.9", std::stoi(port), "K", "101").reply, "101\t1");

    // The wait ends with the user's stop like listening does.
    ASSERT_EQ(PrivateNetwork::ip("addr del 10.77.0.9/24 dev lan0\n"), "");
    ASSERT_TRUE(waitUntil([&] { return window.qrBitmap().isNull(); }, 20000));
    window.listenButton->click();
    ASSERT_TRUE(waitUntil([&] { return window.statusLabel->text() == "待ち受け停止中"; }, 20000));
    EXPECT_EQ(window.listenButton->text().toStdString(), kListenCaption);
    EXPECT_TRUE(window.addressBox->isEnabled());
}

}  // namespace
}  // namespace korvane
