// Writes the program's icon for the desktop's application menu: korvane-icon <file.png> <size>.
#include <QImage>
#include <cstdlib>

#include "app/Logos.h"

int main(int argc, char* argv[]) {
    if (argc != 3) {
        return 2;
    }
    return korvane::drawLogo(std::atoi(argv[2])).save(QString::fromLocal8Bit(argv[1]), "PNG") ? 0
                                                                                              : 1;
}
