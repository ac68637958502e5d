#include "tools/CannedDesktop.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <vector>

#include "desktop/PngFile.h"
#include "platform/ProcessId.h"

namespace korvane {

CannedDesktop::CannedDesktop(int width, int height) {
    std::mt19937 random(1);
    RgbImage image{width, height,
                   std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height * 3)};
    for (auto& byte : image.pixels) {
        byte = static_cast<std::uint8_t>(random() & 0x3F);
    }
    auto path = std::filesystem::temp_directory_path() /
                ("korvane-canned-" + std::to_string(currentProcessId()) + ".png");
    if (DesktopError error = writePngFile(path.string(), image)) {
        throw std::runtime_error("cannot prepare the canned capture: " + error.message());
    }
    std::ifstream in(path, std::ios::binary);
    mPicture.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    std::filesystem::remove(path);
}

DesktopResult<FocusedWindow> CannedDesktop::focusedWindow() {
    return FocusedWindow{1, Point{100, 20}};
}

DesktopError CannedDesktop::pasteText(WindowHandle, const std::string&) {
    return {};
}

DesktopError CannedDesktop::pasteTextRestoringClipboard(WindowHandle, const std::string&) {
    return {};
}

DesktopError CannedDesktop::typeText(WindowHandle, const std::string&, std::chrono::milliseconds) {
    return {};
}

DesktopError CannedDesktop::pressSuffixKey(WindowHandle, const std::string&) {
    return {};
}

DesktopError CannedDesktop::pressPrefixKey(WindowHandle, const std::string&) {
    return {};
}

DesktopError CannedDesktop::capture(WindowHandle, Point, const CaptureShape&, std::int32_t,
                                    std::chrono::steady_clock::time_point,
                                    const std::string& pngPath) {
    // Beside the file and renamed over it, as a real capture is: a transfer that still sends the
    // previous capture keeps reading the old bytes.
    const std::string temp = pngPath + ".new";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(mPicture.data(), static_cast<std::streamsize>(mPicture.size()));
        if (!out) {
            return DesktopError(DesktopError::Kind::Capture, "cannot write " + temp);
        }
    }
    if (std::rename(temp.c_str(), pngPath.c_str()) != 0) {
        return DesktopError(DesktopError::Kind::Capture, "cannot rename " + temp);
    }
    ++mCaptures;
    return {};
}

}  // namespace korvane
