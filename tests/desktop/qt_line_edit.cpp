// A Qt program with one focused line edit that has joined the accessibility bus. It prints where
// Qt draws the text caret, on the screen, then the field's text at each Enter, and ends when its
// stdin closes.
// Argument: where the caret goes: "middle", "end", or "empty" for an empty field.
#include <unistd.h>
#include <QApplication>
#include <QLineEdit>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLineEdit edit;
    edit.setWindowFlag(Qt::FramelessWindowHint);
    const QString where = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("middle");
    if (where != QStringLiteral("empty")) {
        edit.setText(QStringLiteral("KORVANE caret probe"));
    }
    edit.setGeometry(300, 400, 360, 40);
    edit.show();
    edit.activateWindow();
    edit.setFocus();
    edit.setCursorPosition(where == QStringLiteral("middle") ? 7 : edit.text().size());

    QObject::connect(&edit, &QLineEdit::returnPressed, [&] {
        std::printf("%s\n", edit.text().toUtf8().constData());
        std::fflush(stdout);
    });

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[64];
        if (::read(STDIN_FILENO, buffer, sizeof buffer) <= 0) {
            app.quit();
        }
    });
    // Once the window is on screen and focused, say where the caret is.
    QTimer::singleShot(500, [&] {
        const QRect caret = edit.inputMethodQuery(Qt::ImCursorRectangle).toRect();
        const QPoint corner = edit.mapToGlobal(caret.topLeft());
        std::printf("%d %d %d\n", corner.x(), corner.y(), edit.hasFocus() ? 1 : 0);
        std::fflush(stdout);
    });
    return app.exec();
}
