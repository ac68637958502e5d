#pragma once

#include <windows.h>

#include <string>

namespace korvane {

// The window's font: the system's Japanese user interface font, so that Japanese and English
// texts alike are drawn with it: Yu Gothic UI (Windows 8.1 and later), else Meiryo UI, else the
// face of the system's message font. Owns its GDI font.
class UiFont {
  public:
    // `pixelHeight`: the character height in pixels at the window's dots per inch.
    explicit UiFont(int pixelHeight);
    ~UiFont();
    UiFont(const UiFont&) = delete;
    UiFont& operator=(const UiFont&) = delete;

    HFONT handle() const { return mFont; }

    // The face chosen, found once per call among the installed families.
    static std::wstring japaneseFace();

  private:
    HFONT mFont = nullptr;
};

}  // namespace korvane
