#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QStringList>
#include <ostream>

#include "platform/ProgramVersion.h"

namespace korvane {
namespace {

constexpr char kProgram[] = "korvane-server";

std::string local8Bit(const QString& text) {
    return text.toLocal8Bit().toStdString();
}

}  // namespace

std::optional<int> answerCommandLine(int argc, char* argv[], std::ostream& out, std::ostream& err) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "KORVANE Server: types the barcodes that the KORVANE phone app scans into the window that "
        "has the keyboard focus, and sends the phone a capture of the screen around the text "
        "caret.\nWithout options it opens its window."));
    // Not addHelpOption(): its --help-all would list Qt's options, which only QApplication knows.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Displays help on commandline options."));
    parser.addOption(help);
    const QCommandLineOption version = parser.addVersionOption();
    const bool parsed = parser.parse(arguments);

    if (parsed && parser.isSet(help)) {
        // The help's first line names the program as it was started, which Qt takes from an
        // application object; a QCoreApplication needs no display.
        std::optional<QCoreApplication> core;
        int count = argc;
        if (!QCoreApplication::instance()) {
            core.emplace(count, argv);
        }
        out << local8Bit(parser.helpText());
        return 0;
    }
    if (parsed && parser.isSet(version)) {
        out << versionLine(kProgram);
        return 0;
    }
    const bool qtOptionsTaken = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!parsed && !qtOptionsTaken) {
        return std::nullopt;
    }
    QString mistake = parser.errorText();
    if (parsed && !parser.positionalArguments().isEmpty()) {
        mistake = QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments()[0]);
    }
    if (mistake.isEmpty()) {
        return std::nullopt;
    }
    err << kProgram << ": " << local8Bit(mistake) << "\nTry '" << kProgram << " --help'.\n";
    return 2;
}

}  // namespace korvane
