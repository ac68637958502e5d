// PngFile on Windows, with the Windows Imaging Component's encoder: libpng is not at hand there.
#include "desktop/PngFile.h"

#include <wincodec.h>
#include <windows.h>

#include <filesystem>
#include <utility>
#include <vector>

#include "platform/win32/FileMove.h"
#include "platform/win32/SystemMessage.h"
#include "platform/win32/WideText.h"

namespace korvane {
namespace {

// Releases a COM interface when it goes out of scope.
template <typename T>
class ComPtr {
  public:
    ComPtr() = default;
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    T* operator->() const { return mPointer; }
    T* get() const { return mPointer; }
    T** out() { return &mPointer; }
    void reset() {
        if (mPointer != nullptr) {
            std::exchange(mPointer, nullptr)->Release();
        }
    }

  private:
    T* mPointer = nullptr;
};

// COM on the calling thread for the time of one file; a thread that has it already keeps it.
class ComScope {
  public:
    ComScope() : mResult(::CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
    ~ComScope() {
        if (SUCCEEDED(mResult)) {
            ::CoUninitialize();
        }
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

  private:
    HRESULT mResult;
};

std::string createError(const std::wstring& path, HRESULT result) {
    std::error_code ignored;
    std::wstring full = std::filesystem::absolute(std::filesystem::path(path), ignored).wstring();
    return "ファイル \"" + win32::narrow(full) + "\" を作成できません。" +
           win32::systemMessage(static_cast<unsigned long>(result));
}

// Encodes the picture into `stream`.
HRESULT encode(IWICImagingFactory* factory, IWICStream* stream, int width, int height,
               const std::uint8_t* rgb) {
    ComPtr<IWICBitmapEncoder> encoder;
    HRESULT hr = factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.out());
    if (SUCCEEDED(hr)) {
        hr = encoder->Initialize(stream, WICBitmapEncoderNoCache);
    }
    ComPtr<IWICBitmapFrameEncode> frame;
    ComPtr<IPropertyBag2> options;
    if (SUCCEEDED(hr)) {
        hr = encoder->CreateNewFrame(frame.out(), options.out());
    }
    if (SUCCEEDED(hr)) {
        hr = frame->Initialize(options.get());
    }
    if (SUCCEEDED(hr)) {
        hr = frame->SetSize(static_cast<UINT>(width), static_cast<UINT>(height));
    }
    // 24-bit BGR is what the PNG encoder takes for an 8-bit RGB file; it says so by leaving the
    // format as asked.
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    if (SUCCEEDED(hr)) {
        hr = frame->SetPixelFormat(&format);
    }
    if (SUCCEEDED(hr) && !IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) {
        hr = WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT;
    }
    const std::size_t stride = static_cast<std::size_t>(width) * 3;
    std::vector<BYTE> bgr(stride);
    for (int y = 0; SUCCEEDED(hr) && y < height; ++y) {
        const std::uint8_t* row = rgb + stride * static_cast<std::size_t>(y);
        for (std::size_t x = 0; x < stride; x += 3) {
            bgr[x] = row[x + 2];
            bgr[x + 1] = row[x + 1];
            bgr[x + 2] = row[x];
        }
        hr =
            frame->WritePixels(1, static_cast<UINT>(stride), static_cast<UINT>(stride), bgr.data());
    }
    if (SUCCEEDED(hr)) {
        hr = frame->Commit();
    }
    if (SUCCEEDED(hr)) {
        hr = encoder->Commit();
    }
    return hr;
}

}  // namespace

// Members end in reverse order: the stream (which holds the file open) before COM.
struct PngFile::Parts {
    ComScope com;
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICStream> stream;
    std::wstring target;
    // The temporary file until it is put in place; empty when there is none.
    std::wstring temp;
    // Why the temporary file could not be made, for write to report.
    HRESULT created;
};

PngFile::PngFile(const std::string& path) : mParts(std::make_unique<Parts>()) {
    Parts& parts = *mParts;
    parts.target = win32::widen(path);
    parts.temp = win32::temporaryPathBeside(parts.target);
    HRESULT hr =
        ::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                           IID_IWICImagingFactory, reinterpret_cast<void**>(parts.factory.out()));
    if (SUCCEEDED(hr)) {
        hr = parts.factory->CreateStream(parts.stream.out());
    }
    if (SUCCEEDED(hr)) {
        hr = parts.stream->InitializeFromFilename(parts.temp.c_str(), GENERIC_WRITE);
    }
    parts.created = hr;
}

PngFile::~PngFile() {
    mParts->stream.reset();
    if (!mParts->temp.empty()) {
        ::DeleteFileW(mParts->temp.c_str());
    }
}

DesktopError PngFile::write(const RgbImage& image) {
    Parts& parts = *mParts;
    if (DesktopError bad = badPicture(image)) {
        return bad;
    }
    HRESULT hr = parts.created;
    if (SUCCEEDED(hr) && parts.stream.get() == nullptr) {
        hr = HRESULT_FROM_WIN32(ERROR_INVALID_HANDLE);
    }
    if (SUCCEEDED(hr)) {
        hr = encode(parts.factory.get(), parts.stream.get(), image.width, image.height,
                    image.pixels.data());
    }
    // The stream closes the file as it goes, so that it can be renamed.
    parts.stream.reset();
    if (SUCCEEDED(hr)) {
        // The server's sender holds the capture only while it copies it (see platform/FileOpen.h),
        // which the move's short waits outlast; a program of the user's that keeps the file open
        // makes the capture fail.
        hr = HRESULT_FROM_WIN32(win32::moveReplacing(parts.temp, parts.target));
    }
    if (FAILED(hr)) {
        return DesktopError(DesktopError::Kind::Capture, createError(parts.target, hr));
    }
    parts.temp.clear();
    return {};
}

}  // namespace korvane
