#pragma once

#include <QFont>

namespace korvane {

// "メイリオ" where it is installed, else a Japanese system font, pPixelHeight pixels high.
QFont JapaneseFont(int pPixelHeight);

}  // namespace korvane
