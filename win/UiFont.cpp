#include "win/UiFont.h"

namespace korvane {
namespace {

int CALLBACK noteFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

bool installed(const wchar_t* face) {
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    wcsncpy(wanted.lfFaceName, face, LF_FACESIZE - 1);
    bool found = false;
    HDC screen = GetDC(nullptr);
    EnumFontFamiliesExW(screen, &wanted, &noteFound, reinterpret_cast<LPARAM>(&found), 0);
    ReleaseDC(nullptr, screen);
    return found;
}

}  // namespace

std::wstring UiFont::japaneseFace() {
    for (const wchar_t* face : {L"Yu Gothic UI", L"Meiryo UI"}) {
        if (installed(face)) {
            return face;
        }
    }
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    return metrics.lfMessageFont.lfFaceName;
}

UiFont::UiFont(int pixelHeight) {
    LOGFONTW font{};
    font.lfHeight = -pixelHeight;
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = CLEARTYPE_QUALITY;
    const std::wstring face = japaneseFace();
    wcsncpy(font.lfFaceName, face.c_str(), LF_FACESIZE - 1);
    mFont = CreateFontIndirectW(&font);
}

UiFont::~UiFont() {
    DeleteObject(mFont);
}

}  // namespace korvane
