// The approval code's window on Qt's offscreen platform: what a phone reads off a grab of it, and
// when it goes away.
#include "app/ApprovalCodeWindow.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <functional>

#include "handling/ApprovalCode.h"
#include "tests/app/AppFakes.h"
#include "tests/app/QtTestHelpers.h"

namespace korvane {
namespace {

struct ManualClock {
    ApprovalCode::Clock::time_point now{std::chrono::hours(1)};
    ApprovalCode::Now function() {
        return [this] { return now; };
    }
};

// The text of the symbol of `format` in the picture, as a phone set to read only it would read.
std::string decodeOnly(const QImage& picture, ZXing::BarcodeFormat format) {
    QImage grey = picture.convertToFormat(QImage::Format_Grayscale8);
    ZXing::DecodeHints hints;
    hints.setFormats(format);
    const ZXing::Result result =
        ZXing::ReadBarcode({grey.constBits(), grey.width(), grey.height(), ZXing::ImageFormat::Lum,
                            static_cast<int>(grey.bytesPerLine())},
                           hints);
    return result.isValid() ? result.text() : "";
}

// A phone set to read QR codes and one set to read Code 128 both read the valid code off the
// window; so does a person, with the time it has left.
TEST(ApprovalCodeWindow, APhoneReadsTheCodeOffTheWindowAsQrCodeOrCode128) {
    test::app();
    ManualClock clock;
    ApprovalCode code(clock.function());
    QPointer<ApprovalCodeWindow> window = new ApprovalCodeWindow(code, nullptr);
    window->show();
    const std::string text = window->codeText();
    ASSERT_EQ(code.match(text), ApprovalCode::Match::Valid);

    const QImage grab = window->grab().toImage();
    EXPECT_EQ(decodeOnly(grab, ZXing::BarcodeFormat::QRCode), text);
    EXPECT_EQ(decodeOnly(grab, ZXing::BarcodeFormat::Code128), text);
    EXPECT_EQ(window->textLabel->text().toStdString(), text);
    EXPECT_EQ(window->timeLabel->text().toStdString(), "有効期限まで残り 120 秒");
    clock.now += std::chrono::milliseconds(60500);
    window->refresh();
    EXPECT_EQ(window->timeLabel->text().toStdString(), "有効期限まで残り 60 秒");

    EXPECT_TRUE(window->windowFlags() & Qt::WindowDoesNotAcceptFocus);
    EXPECT_TRUE(window->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_EQ(window->closeButton->focusPolicy(), Qt::NoFocus);
    delete window;
}

// The window goes once its code can approve nobody any more, and says "used" only when a phone
// was approved by it; closed by the user, it takes its code with it.
TEST(ApprovalCodeWindow, GoesWhenItsCodeIsSpentAndWithdrawsItWhenClosed) {
    test::app();
    ManualClock clock;
    ApprovalCode code(clock.function());
    const struct {
        const char* what;
        std::function<void(ApprovalCodeWindow&)> happen;
        bool used;
    } cases[] = {
        {"used", [&](ApprovalCodeWindow& w) { ASSERT_TRUE(code.use(w.codeText())); }, true},
        {"expired", [&](ApprovalCodeWindow&) { clock.now += ApprovalCode::kLifetime; }, false},
        {"replaced", [&](ApprovalCodeWindow&) { code.issue(); }, false},
        {"closed", [&](ApprovalCodeWindow& w) { w.closeButton->click(); }, false},
    };
    for (const auto& c : cases) {
        QPointer<ApprovalCodeWindow> window = new ApprovalCodeWindow(code, nullptr);
        window->show();
        const std::string text = window->codeText();
        QSignalSpy used(window.data(), &ApprovalCodeWindow::used);
        c.happen(*window);
        ASSERT_TRUE(test::waitUntil([&] {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return window.isNull();
        })) << c.what;
        EXPECT_EQ(used.count(), c.used ? 1 : 0) << c.what;
        EXPECT_NE(code.match(text), ApprovalCode::Match::Valid) << c.what;
    }
}

}  // namespace
}  // namespace korvane
