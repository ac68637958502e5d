#include "desktop/CaptureGeometry.h"

#include <gtest/gtest.h>

#include <cfenv>

namespace korvane {
namespace {

TEST(CaptureGeometry, DelayTable) {
    const std::pair<std::int32_t, int> table[] = {{0, 100},   {1, 200},        {2, 300},  {3, 1000},
                                                  {4, 3000},  {5, 5000},       {-1, 100}, {6, 100},
                                                  {100, 100}, {INT32_MIN, 100}};
    for (auto [code, ms] : table) {
        EXPECT_EQ(captureDelayMs(code), ms) << code;
    }
}

TEST(CaptureGeometry, CentredRectangle) {
    const DesktopResult<CaptureRect> result = captureRect({10, 10}, CaptureShape::centred());
    ASSERT_TRUE(result);
    const CaptureRect& rect = *result;
    EXPECT_EQ(rect.left, -150);
    EXPECT_EQ(rect.top, -110);
    EXPECT_EQ(rect.width, 320);
    EXPECT_EQ(rect.height, 240);
}

TEST(CaptureGeometry, RatioRectangleRoundsHalfToEven) {
    struct Case {
        std::int32_t width, height;
        int expected;
    };
    const Case cases[] = {
        {1080, 1920, 569},   {1920, 1080, 180}, {480, 800, 533},
        {640, 5, 2},         {640, 15, 8},  // 7.5 goes up to the even 8
        {-1080, -1920, 569},                // only the ratio counts
        {1080, 4320, 1280},                 // the tallest: 4:1
    };
    // The result must not depend on the rounding mode a thread happens to run in.
    for (int mode : {FE_TONEAREST, FE_UPWARD, FE_DOWNWARD}) {
        std::fesetround(mode);
        for (const Case& c : cases) {
            const DesktopResult<CaptureRect> rect =
                captureRect({500, 400}, CaptureShape::ratio(c.width, c.height));
            ASSERT_TRUE(rect) << rect.error().message();
            EXPECT_EQ(rect->height, c.expected) << c.width << "x" << c.height;
            EXPECT_EQ(rect->width, 320);
            EXPECT_EQ(rect->left, 400);
            EXPECT_EQ(rect->top, 200);
        }
    }
    std::fesetround(FE_TONEAREST);
}

TEST(CaptureGeometry, RatioRectangleFailures) {
    struct Case {
        std::int32_t width, height;
        const char* message;
    };
    const Case cases[] = {
        {0, 1920, "0 による浮動小数点数除算"},
        {0, -5, "0 による浮動小数点数除算"},
        {0, 0, "不正な浮動小数点数演算命令"},
        {1080, 0, "キャプチャの高さが 0 以下になります。(幅 1080, 高さ 0)"},
        {1080, -1920, "キャプチャの高さが 0 以下になります。(幅 1080, 高さ -1920)"},
        {1000, 1, "キャプチャの高さが 0 以下になります。(幅 1000, 高さ 1)"},  // 0.32 rounds to 0
        // Taller than 4:1: more of the screen than any phone shows.
        {1080, 4321, "キャプチャの縦横比が 4:1 を超えています。(幅 1080, 高さ 4321)"},
        {1, 102, "キャプチャの縦横比が 4:1 を超えています。(幅 1, 高さ 102)"},
        {-1, -2147483647, "キャプチャの縦横比が 4:1 を超えています。(幅 -1, 高さ -2147483647)"},
        {1, 2147483647, "キャプチャの縦横比が 4:1 を超えています。(幅 1, 高さ 2147483647)"},
    };
    for (const Case& c : cases) {
        const DesktopResult<CaptureRect> rect =
            captureRect({0, 0}, CaptureShape::ratio(c.width, c.height));
        ASSERT_FALSE(rect);
        EXPECT_EQ(rect.error().kind(), DesktopError::Kind::BadShape);
        EXPECT_EQ(rect.error().message(), c.message);
    }
}

}  // namespace
}  // namespace korvane
