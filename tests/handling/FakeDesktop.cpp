#include "tests/handling/FakeDesktop.h"

#include <fstream>
#include <iterator>
#include <random>

#include "desktop/PngFile.h"
#include "platform/PreciseSleep.h"

namespace korvane::test {

std::vector<std::string> FakeDesktop::calls() {
    std::lock_guard lock(mLock);
    return mCalls;
}

std::vector<std::chrono::steady_clock::time_point> FakeDesktop::callTimes() {
    std::lock_guard lock(mLock);
    return mCallTimes;
}

std::vector<std::chrono::steady_clock::time_point> FakeDesktop::pauseStarts() {
    std::lock_guard lock(mLock);
    return mPauseStarts;
}

std::vector<std::string> FakeDesktop::captures() {
    std::lock_guard lock(mLock);
    return mCaptures;
}

void FakeDesktop::record(std::string call) {
    std::lock_guard lock(mLock);
    mCalls.push_back(std::move(call));
    mCallTimes.push_back(std::chrono::steady_clock::now());
}

DesktopResult<FocusedWindow> FakeDesktop::focusedWindow() {
    record("focus");
    if (focusResult == 0) {
        return DesktopError(DesktopError::Kind::OwnWindow,
                            "本プログラムがアクティブになっています。");
    }
    return FocusedWindow{focusResult, caret, windowKind};
}

DesktopError FakeDesktop::pasteResult() const {
    if (!pasteSucceeds) {
        return DesktopError(DesktopError::Kind::Clipboard, "クリップボード を開けません");
    }
    if (!pasteTaken) {
        return DesktopError(DesktopError::Kind::NotTaken, "受け取られませんでした");
    }
    return {};
}

DesktopError FakeDesktop::pasteText(WindowHandle window, const std::string& text) {
    record("paste " + std::to_string(window) + " [" + text + "]");
    return pasteResult();
}

DesktopError FakeDesktop::pasteTextRestoringClipboard(WindowHandle window,
                                                      const std::string& text) {
    record("paste-restore " + std::to_string(window) + " [" + text + "]");
    return pasteResult();
}

DesktopError FakeDesktop::typeText(WindowHandle window, const std::string& text,
                                   std::chrono::milliseconds keyDelay) {
    record("type " + std::to_string(window) + " [" + text + "] " +
           std::to_string(keyDelay.count()) + "ms");
    if (!pasteSucceeds) {
        return DesktopError(DesktopError::Kind::Keys, "キー入力を送れません");
    }
    return {};
}

DesktopError FakeDesktop::pressSuffixKey(WindowHandle, const std::string& code) {
    record("suffix " + code);
    if (code != "0" && code != "1" && code != "2") {
        return DesktopError(DesktopError::Kind::BadKeyCode,
                            "'" + code + "' は有効な整数値ではありません。");
    }
    return {};
}

DesktopError FakeDesktop::pressPrefixKey(WindowHandle, const std::string& code) {
    record("prefix " + code);
    return {};
}

DesktopError FakeDesktop::capture(WindowHandle window, Point at, const CaptureShape& shape,
                                  std::int32_t delayCode,
                                  std::chrono::steady_clock::time_point pauseFrom,
                                  const std::string& pngPath) {
    std::string call = (shape.isCentred() ? "capture " : "capture2 ") + std::to_string(window) +
                       " " + std::to_string(at.x) + "," + std::to_string(at.y) + " wait " +
                       std::to_string(delayCode);
    if (!shape.isCentred()) {
        call += " ratio " + std::to_string(shape.ratioWidth()) + "x" +
                std::to_string(shape.ratioHeight());
    }
    record(std::move(call));
    {
        std::lock_guard lock(mLock);
        mPauseStarts.push_back(pauseFrom);
    }
    sleepPreciselyUntil(pauseFrom + delayUnit * delayCode);
    return writePicture(pngPath);
}

DesktopError FakeDesktop::writePicture(const std::string& path) {
    if (!captureError.empty()) {
        return DesktopError(DesktopError::Kind::Capture, captureError);
    }
    std::lock_guard lock(mLock);
    // Noise, so that the picture does not compress and each capture differs.
    std::mt19937 random(static_cast<unsigned>(mCaptures.size() + 1));
    RgbImage image{
        pictureSide, pictureSide,
        std::vector<std::uint8_t>(static_cast<std::size_t>(pictureSide * pictureSide * 3))};
    for (auto& byte : image.pixels) {
        byte = static_cast<std::uint8_t>(random());
    }
    if (DesktopError error = writePngFile(path, image)) {
        return error;
    }
    std::ifstream in(path, std::ios::binary);
    mCaptures.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return {};
}

}  // namespace korvane::test
