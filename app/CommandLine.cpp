#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>
#include <ostream>

#include "platform/ProgramVersion.h"

namespace korvane {
namespace {

constexpr char kProgram[] = "korvane-server";

std::string local8Bit(const QString& text) {
    return text.toLocal8Bit().toStdString();
}

// The options QApplication takes out of argv itself (QGuiApplication's, QApplication's and the
// X11 platform's), so that they can be told from mistakes before anything needs a display.
enum class QtValue {
    None,          // -reverse
    Next,          // -platform offscreen
    NextOrJoined,  // -style fusion, -style=fusion
};
struct QtOption {
    const char* name;
    QtValue value;
};
constexpr QtOption kQtOptions[] = {
    {"platform", QtValue::Next},
    {"platformpluginpath", QtValue::Next},
    {"platformtheme", QtValue::Next},
    {"plugin", QtValue::Next},
    {"qwindowgeometry", QtValue::Next},
    {"geometry", QtValue::Next},
    {"qwindowtitle", QtValue::Next},
    {"title", QtValue::Next},
    {"qwindowicon", QtValue::Next},
    {"icon", QtValue::Next},
    {"session", QtValue::Next},
    {"display", QtValue::Next},
    {"name", QtValue::Next},
    {"visual", QtValue::Next},
    {"style", QtValue::NextOrJoined},
    {"stylesheet", QtValue::NextOrJoined},
    {"qmljsdebugger", QtValue::NextOrJoined},
    {"reverse", QtValue::None},
    {"widgetcount", QtValue::None},
    {"testability", QtValue::None},
    {"nograb", QtValue::None},
    {"dograb", QtValue::None},
    {"sync", QtValue::None},
};

// How many arguments from `argument` on are one of Qt's options: 0 when it is none of them, 2
// when its value is the next argument.
int qtOptionLength(const QString& argument) {
    // Qt takes its options with one dash or two.
    const QString text = argument.mid(argument.startsWith(QStringLiteral("--")) ? 2 : 1);
    const qsizetype equals = text.indexOf(u'=');
    const QString name = equals >= 0 ? text.left(equals) : text;
    for (const QtOption& option : kQtOptions) {
        if (name != QLatin1StringView(option.name)) {
            continue;
        }
        if (equals >= 0) {
            return option.value == QtValue::NextOrJoined ? 1 : 0;
        }
        return option.value == QtValue::None ? 1 : 2;
    }
    return 0;
}

// The arguments without Qt's own options and their values.
QStringList withoutQtOptions(const QStringList& arguments) {
    QStringList rest;
    for (qsizetype i = 0; i < arguments.size();) {
        const int length =
            i > 0 && arguments[i].startsWith(u'-') ? qtOptionLength(arguments[i]) : 0;
        if (length == 0) {
            rest << arguments[i];
        }
        i += length == 0 ? 1 : length;
    }
    return rest;
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
    const bool parsed = parser.parse(withoutQtOptions(arguments));

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
