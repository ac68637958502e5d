#include "tools/CannedDesktop.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <vector>

#include "desktop/PngWriter.h"
#include "platform/ProcessId.h"

namespace korvane {

TCannedDesktop::TCannedDesktop(int pWidth, int pHeight) {
    std::mt19937 random(1);
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(pWidth) * pHeight * 3);
    for (auto& byte : rgb) {
        byte = static_cast<std::uint8_t>(random() & 0x3F);
    }
    auto path = std::filesystem::temp_directory_path() /
                ("korvane-canned-" + std::to_string(currentProcessId()) + ".png");
    std::string error;
    if (!writePngFile(path.string(), pWidth, pHeight, rgb.data(), error)) {
        throw std::runtime_error("cannot prepare the canned capture: " + error);
    }
    std::ifstream in(path, std::ios::binary);
    mPicture.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    std::filesystem::remove(path);
}

WindowHandle TCannedDesktop::mdlGetFocusWindow(std::string&, std::int32_t& pintCaretX,
                                               std::int32_t& pintCaretY) {
    pintCaretX = 100;
    pintCaretY = 20;
    return 1;
}

bool TCannedDesktop::mdlSendBarcode(WindowHandle, const std::string&, std::string&) {
    return true;
}

bool TCannedDesktop::mdlSendSuffix(WindowHandle, const std::string&, std::string&) {
    return true;
}

bool TCannedDesktop::mdlSendPrefix(WindowHandle, const std::string&, std::string&) {
    return true;
}

bool TCannedDesktop::mdlCaptureScreen(WindowHandle, const std::string& pstrCaptureFile,
                                      std::int32_t, std::int32_t, std::int32_t,
                                      std::string& pstrError) {
    return WritePicture(pstrCaptureFile, pstrError);
}

bool TCannedDesktop::mdlCaptureScreen2(WindowHandle, const std::string& pstrCaptureFile,
                                       std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                                       std::int32_t, std::string& pstrError) {
    return WritePicture(pstrCaptureFile, pstrError);
}

bool TCannedDesktop::WritePicture(const std::string& pPath, std::string& pError) {
    // Beside the file and renamed over it, as a real capture is: a transfer that still sends the
    // previous capture keeps reading the old bytes.
    const std::string temp = pPath + ".new";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(mPicture.data(), static_cast<std::streamsize>(mPicture.size()));
        if (!out) {
            pError = "cannot write " + temp;
            return false;
        }
    }
    if (std::rename(temp.c_str(), pPath.c_str()) != 0) {
        pError = "cannot rename " + temp;
        return false;
    }
    ++mCaptures;
    return true;
}

}  // namespace korvane
