#include "tests/handling/FakeDesktop.h"

#include <fstream>
#include <iterator>
#include <random>

#include "desktop/PngWriter.h"

namespace korvane::test {

std::vector<std::string> FakeDesktop::Calls() {
    std::lock_guard lock(mLock);
    return mCalls;
}

std::vector<std::string> FakeDesktop::Captures() {
    std::lock_guard lock(mLock);
    return mCaptures;
}

void FakeDesktop::Record(std::string call) {
    std::lock_guard lock(mLock);
    mCalls.push_back(std::move(call));
}

WindowHandle FakeDesktop::mdlGetFocusWindow(std::string& pstrError, std::int32_t& pintCaretX,
                                            std::int32_t& pintCaretY) {
    Record("focus " + std::to_string(pintCaretX) + "," + std::to_string(pintCaretY));
    if (focusResult == 0) {
        pstrError = "本プログラムがアクティブになっています。";
        return 0;
    }
    pintCaretX = caretX;
    pintCaretY = caretY;
    return focusResult;
}

bool FakeDesktop::mdlSendBarcode(WindowHandle pHandle, const std::string& pstrValue,
                                 std::string& pstrError) {
    Record("paste " + std::to_string(pHandle) + " [" + pstrValue + "]");
    if (!pasteSucceeds) {
        pstrError = "クリップボード を開けません";
    }
    return pasteSucceeds;
}

bool FakeDesktop::mdlSendSuffix(WindowHandle, const std::string& pstrKbn, std::string& pstrError) {
    Record("suffix " + pstrKbn);
    if (pstrKbn != "0" && pstrKbn != "1" && pstrKbn != "2") {
        pstrError = "'" + pstrKbn + "' は有効な整数値ではありません。";
        return false;
    }
    return true;
}

bool FakeDesktop::mdlSendPrefix(WindowHandle, const std::string& pstrKbn, std::string&) {
    Record("prefix " + pstrKbn);
    return true;
}

bool FakeDesktop::mdlCaptureScreen(WindowHandle pHandle, const std::string& pstrCaptureFile,
                                   std::int32_t pintCaretX, std::int32_t pintCaretY,
                                   std::int32_t pintTime, std::string& pstrError) {
    Record("capture " + std::to_string(pHandle) + " " + std::to_string(pintCaretX) + "," +
           std::to_string(pintCaretY) + " wait " + std::to_string(pintTime));
    return WritePicture(pstrCaptureFile, pstrError);
}

bool FakeDesktop::mdlCaptureScreen2(WindowHandle pHandle, const std::string& pstrCaptureFile,
                                    std::int32_t pintCaretX, std::int32_t pintCaretY,
                                    std::int32_t pintTime, std::int32_t pintWidth,
                                    std::int32_t pintHeight, std::string& pstrError) {
    Record("capture2 " + std::to_string(pHandle) + " " + std::to_string(pintCaretX) + "," +
           std::to_string(pintCaretY) + " wait " + std::to_string(pintTime) + " ratio " +
           std::to_string(pintWidth) + "x" + std::to_string(pintHeight));
    return WritePicture(pstrCaptureFile, pstrError);
}

bool FakeDesktop::WritePicture(const std::string& path, std::string& error) {
    if (!captureError.empty()) {
        error = captureError;
        return false;
    }
    std::lock_guard lock(mLock);
    // Noise, so that the picture does not compress and each capture differs.
    std::mt19937 random(static_cast<unsigned>(mCaptures.size() + 1));
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(pictureSide * pictureSide * 3));
    for (auto& byte : rgb) {
        byte = static_cast<std::uint8_t>(random());
    }
    if (!writePngFile(path, pictureSide, pictureSide, rgb.data(), error)) {
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    mCaptures.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

}  // namespace korvane::test
