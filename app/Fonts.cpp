#include "app/Fonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace korvane {

QFont japaneseFont(int pixelHeight) {
    const QStringList families = QFontDatabase::families();
    QFont font;
    for (const char* family : {"メイリオ", "Meiryo", "Noto Sans CJK JP"}) {
        if (families.contains(QString::fromUtf8(family))) {
            font.setFamily(QString::fromUtf8(family));
            break;
        }
    }
    font.setPixelSize(pixelHeight);
    return font;
}

}  // namespace korvane
