#pragma once

#include <QFont>

namespace korvane {

// "メイリオ" where it is installed, else a Japanese system font, pixelHeight pixels high.
QFont japaneseFont(int pixelHeight);

}  // namespace korvane
