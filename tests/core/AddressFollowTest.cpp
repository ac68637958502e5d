// Listening that follows this PC's addresses: the application core with its real address watch,
// its server and a real phone client, in a network namespace of the test's own whose link the
// test gives addresses and takes them away (tests/support/PrivateNetwork.h). The address listened
// on goes: the log and the front end hear it and the server stops listening; it comes back (or,
// for the default route's address, another takes its place): listening goes on there.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <thread>

#include "core/AppCore.h"
#include "core/QrPayload.h"
#include "tests/core/QueuedUiThread.h"
#include "tests/handling/FakeDesktop.h"
#include "tests/handling/HandlerHarness.h"
#include "tests/support/Loopback.h"
#include "tests/support/PrivateNetwork.h"
#include "tests/support/TempFolder.h"
#include "tools/PhoneClient.h"

namespace korvane {
namespace {

using namespace std::chrono_literals;
using test::PrivateNetwork;

// What the front end was told, in order.
class RecordingAddressView : public AddressView {
  public:
    void addressesChanged(const std::vector<LocalAddress>& addresses) override {
        lists.push_back(addresses);
    }
    void listeningSuspended(const std::string& address) override { suspended.push_back(address); }
    void listeningResumed(const std::string& address) override { resumed.push_back(address); }

    bool lastListHas(const std::string& address) const {
        return !lists.empty() &&
               std::any_of(lists.back().begin(), lists.back().end(),
                           [&](const LocalAddress& entry) { return entry.address == address; });
    }

    std::vector<std::vector<LocalAddress>> lists;
    std::vector<std::string> suspended;
    std::vector<std::string> resumed;
};

class AddressFollowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (std::string why = PrivateNetwork::enter(); !why.empty()) {
            GTEST_SKIP() << "no network namespace of the test's own here: " << why;
        }
        ASSERT_EQ(PrivateNetwork::addLink("lan0"), "");
        std::ofstream(mIni, std::ios::binary) << "[Setting]\nDeviceApproval=0\n";
        mCore = std::make_unique<AppCore>(
            CorePorts{mDesktop, mWindow, mWindow, mWindow, mPrompt, mUi}, mIni, mCapture.string());
        ASSERT_EQ(mCore->watchAddresses(mView, readLocalAddresses), std::nullopt);
    }

    // Gives the link the addresses (and the default route), then listens on `address`.
    void listenOn(const std::string& address, const std::string& linkCommands) {
        ASSERT_EQ(PrivateNetwork::ip(linkCommands + "route add default dev lan0\n"), "");
        ASSERT_EQ(mCore->start(address, mPortText), std::nullopt);
        ASSERT_TRUE(runUntil([&] { return PrivateNetwork::listensOn(address, mPort); }));
        EXPECT_EQ(phone::converse(address, mPort, "K", "101").reply, "101\t1");
    }
    // Runs what the core posts, as a window's event loop would, until `done` (at most `limit`).
    template <typename Done>
    bool runUntil(Done done, std::chrono::milliseconds limit = 20s) {
        for (auto end = std::chrono::steady_clock::now() + limit;
             std::chrono::steady_clock::now() < end; std::this_thread::sleep_for(20ms)) {
            mUi.runPosted();
            if (done()) {
                return true;
            }
        }
        return false;
    }
    std::size_t linesWith(const std::string& part) {
        const auto lines = mWindow.Lines();
        return std::count_if(lines.begin(), lines.end(), [&](const std::string& line) {
            return line.find(part) != std::string::npos;
        });
    }

    test::TempFolder mFolder;
    std::filesystem::path mIni = mFolder / "korvane-server.ini";
    std::filesystem::path mCapture = mFolder / "capture.png";
    test::FakeDesktop mDesktop;
    test::FakeWindow mWindow;
    test::FakePrompt mPrompt;
    test::QueuedUiThread mUi;
    RecordingAddressView mView;
    std::unique_ptr<AppCore> mCore;
    std::uint16_t mPort = test::freePort();
    std::string mPortText = std::to_string(mPort);
};

TEST_F(AddressFollowTest, DefaultRouteChoiceMovesToTheNewAddress) {
    listenOn("10.77.0.5", "addr add 10.77.0.5/24 dev lan0\n");

    ASSERT_EQ(PrivateNetwork::ip("addr del 10.77.0.5/24 dev lan0\n"), "");
    ASSERT_TRUE(runUntil([&] { return !mView.suspended.empty(); }));
    EXPECT_EQ(mView.suspended, std::vector<std::string>{"10.77.0.5"});
    EXPECT_EQ(linesWith("[Server][Address]待ち受け中のIPアドレス 10.77.0.5 がこのPCからなくなった"
                        "ため、待ち受けを止めました。"),
              1u);
    EXPECT_TRUE(runUntil([&] { return !PrivateNetwork::listensOn("10.77.0.5", mPort); }));
    EXPECT_TRUE(runUntil([&] { return linesWith("待ち受けを終了しました。") == 1; }));
    // Suspended, not stopped: the front end keeps its listening state.
    EXPECT_TRUE(mCore->isListening());
    EXPECT_TRUE(mCore->isSuspended());
    EXPECT_FALSE(mView.lastListHas("10.77.0.5"));

    // The DHCP server gives another address.
    ASSERT_EQ(
        PrivateNetwork::ip("addr add 10.77.0.9/24 dev lan0\nroute replace default dev lan0\n"), "");
    ASSERT_TRUE(runUntil([&] { return !mView.resumed.empty(); }));
    EXPECT_EQ(mView.resumed, std::vector<std::string>{"10.77.0.9"});
    EXPECT_EQ(mView.lists.back().front().address, "10.77.0.9");
    EXPECT_EQ(mCore->selectedAddress(), "10.77.0.9");
    EXPECT_FALSE(mCore->isSuspended());
    EXPECT_EQ(qrPayload(mCore->selectedAddress(), mPortText), "ZRQ\t1\t10.77.0.9\t" + mPortText);
    EXPECT_EQ(linesWith("[Address]既定の経路のIPアドレスが 10.77.0.5 から 10.77.0.9 に変わった"
                        "ため、10.77.0.9 で待ち受けを再開します。"),
              1u);
    ASSERT_TRUE(runUntil([&] { return PrivateNetwork::listensOn("10.77.0.9", mPort); }));
    EXPECT_EQ(phone::converse("10.77.0.9", mPort, "K", "101").reply, "101\t1");
    EXPECT_EQ(mWindow.stoppedCount(), 0);
}

TEST_F(AddressFollowTest, ChosenAddressWaitsForItsOwnReturn) {
    // The second address of the default route's link: the user chose it, not the route.
    listenOn("10.77.0.6", "addr add 10.77.0.5/24 dev lan0\naddr add 10.77.0.6/24 dev lan0\n");

    ASSERT_EQ(PrivateNetwork::ip("addr del 10.77.0.6/24 dev lan0\n"), "");
    ASSERT_TRUE(runUntil([&] { return !mView.suspended.empty(); }));
    EXPECT_TRUE(runUntil([&] { return !PrivateNetwork::listensOn("10.77.0.6", mPort); }));

    ASSERT_EQ(PrivateNetwork::ip("addr add 10.77.0.7/24 dev lan0\n"), "");
    ASSERT_TRUE(runUntil([&] { return mView.lastListHas("10.77.0.7"); }));
    EXPECT_FALSE(runUntil([&] { return !mView.resumed.empty(); }, 3s));
    EXPECT_TRUE(mCore->isSuspended());

    ASSERT_EQ(PrivateNetwork::ip("addr add 10.77.0.6/24 dev lan0\n"), "");
    ASSERT_TRUE(runUntil([&] { return !mView.resumed.empty(); }));
    EXPECT_EQ(mView.resumed, std::vector<std::string>{"10.77.0.6"});
    EXPECT_EQ(mCore->selectedAddress(), "10.77.0.6");
    EXPECT_EQ(
        linesWith("[Server][Address]IPアドレス 10.77.0.6 が戻ったため、待ち受けを再開します。"),
        1u);
    ASSERT_TRUE(runUntil([&] { return PrivateNetwork::listensOn("10.77.0.6", mPort); }));
    EXPECT_EQ(phone::converse("10.77.0.6", mPort, "K", "101").reply, "101\t1");
    EXPECT_EQ(qrPayload(mCore->selectedAddress(), mPortText), "ZRQ\t1\t10.77.0.6\t" + mPortText);
}

TEST_F(AddressFollowTest, StopWhileSuspendedEndsTheWait) {
    listenOn("10.77.0.5", "addr add 10.77.0.5/24 dev lan0\n");
    ASSERT_EQ(PrivateNetwork::ip("addr del 10.77.0.5/24 dev lan0\n"), "");
    ASSERT_TRUE(runUntil([&] { return !mView.suspended.empty(); }));

    // Told once, by the core or by the listener's end, whichever comes last.
    mCore->stop();
    EXPECT_FALSE(mCore->isListening());
    EXPECT_TRUE(runUntil([&] { return mWindow.stoppedCount() == 1; }));
    mCore->listenerEnded();

    ASSERT_EQ(PrivateNetwork::ip("addr add 10.77.0.5/24 dev lan0\n"), "");
    ASSERT_TRUE(runUntil([&] { return mView.lastListHas("10.77.0.5"); }));
    EXPECT_FALSE(runUntil([&] { return !mView.resumed.empty(); }, 3s));
    EXPECT_FALSE(PrivateNetwork::listensOn("10.77.0.5", mPort));
    EXPECT_EQ(mWindow.stoppedCount(), 1);
}

}  // namespace
}  // namespace korvane
