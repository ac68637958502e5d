// The usual command-line manners of every program: --help and --version answer without a display,
// and the version is the window title's.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "core/Version.h"

namespace korvane {
namespace {

struct Answer {
    std::optional<int> status;
    std::string out;
    std::string err;
};

// The first asking, before any application object exists, as main() does it.
Answer ask(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "korvane-server");
    std::vector<char*> argv;
    for (auto& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    std::ostringstream out;
    std::ostringstream err;
    auto status = answerCommandLine(static_cast<int>(arguments.size()), argv.data(), out, err);
    return {status, out.str(), err.str()};
}

TEST(CommandLine, AnswersHelpAndVersionRefusesMistakesAndLeavesQtsOptionsToQt) {
    const std::string versionLine =
        std::string("korvane-server ") + KORVANE_EXPECTED_VERSION + "\n";
    struct Case {
        std::vector<std::string> arguments;
        std::optional<int> status;
        std::string outStart;
        std::string errStart;
    };
    const Case cases[] = {
        {{"--version"}, 0, versionLine, ""},
        {{"-v"}, 0, versionLine, ""},
        {{"--help"}, 0, "Usage: korvane-server [options]\n", ""},
        {{"-h"}, 0, "Usage: korvane-server [options]\n", ""},
        {{}, std::nullopt, "", ""},
        // Qt's own, with their values, in each form Qt takes them.
        {{"-platform", "offscreen"}, std::nullopt, "", ""},
        {{"--platform", "offscreen", "-reverse", "-style=fusion", "-display", ":1"},
         std::nullopt,
         "",
         ""},
        {{"-platform", "offscreen", "--version"}, 0, versionLine, ""},
        // Mistakes are told at once, next to Qt's options or not.
        {{"--versoin"},
         2,
         "",
         "korvane-server: Unknown option 'versoin'.\nTry 'korvane-server --help'.\n"},
        {{"-style", "fusion", "--bogus"},
         2,
         "",
         "korvane-server: Unknown option 'bogus'.\nTry 'korvane-server --help'.\n"},
        {{"-platform=offscreen"},
         2,
         "",
         "korvane-server: Unknown options: p, l, a, t, f, o, r, m, =, o, f, f, s, c, r, e, e, n.\n"
         "Try 'korvane-server --help'.\n"},
        {{"extra"},
         2,
         "",
         "korvane-server: Unexpected argument 'extra'.\nTry 'korvane-server --help'.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.empty() ? "(none)" : c.arguments[0]);
        Answer answer = ask(c.arguments);
        EXPECT_EQ(answer.status, c.status);
        EXPECT_EQ(answer.out.substr(0, c.outStart.size()), c.outStart);
        EXPECT_EQ(answer.err, c.errStart);
    }
    EXPECT_NE(ask({"--help"}).out.find("-v, --version"), std::string::npos);
}

struct Output {
    int status = -1;
    std::string text;
};

// A shell command's exit status and standard output.
Output runCommand(const std::string& command) {
    FILE* pipe = popen(command.c_str(), "r");
    Output output;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe)) {
        output.text += buffer;
    }
    const int status = pclose(pipe);
    output.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return output;
}

TEST(CommandLine, EveryProgramAnswersHelpAndVersionWithoutADisplay) {
    const std::pair<const char*, const char*> programs[] = {
        {"korvane-server", KORVANE_SERVER},
        {"korvane-phone", KORVANE_PHONE},
        {"korvane-load", KORVANE_LOAD},
        {"korvane-host", KORVANE_HOST},
    };
    for (const auto& [name, file] : programs) {
        SCOPED_TRACE(name);
        // As a user starts it, with no display to reach.
        const std::string command = std::string("env -u DISPLAY -u WAYLAND_DISPLAY ") + file;
        Output version = runCommand(command + " --version");
        EXPECT_EQ(version.status, 0);
        EXPECT_EQ(version.text, std::string(name) + " " + KORVANE_EXPECTED_VERSION + "\n");
        Output help = runCommand(command + " --help");
        EXPECT_EQ(help.status, 0);
        EXPECT_NE(help.text.find("--version"), std::string::npos) << help.text;
    }
    // One version for all: the window's title shows the same.
    EXPECT_EQ(versionTitle(), std::string("KORVANE Server Ver") + KORVANE_EXPECTED_VERSION);
}

// Even with no display to reach: the mistake is told before anything needs one.
TEST(CommandLine, AMisspeltOptionIsRefusedWithoutADisplay) {
    Output refusal = runCommand("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " +
                                std::string(KORVANE_SERVER) + " --versoin 2>&1 >/dev/null");
    EXPECT_EQ(refusal.status, 2);
    EXPECT_EQ(refusal.text,
              "korvane-server: Unknown option 'versoin'.\nTry 'korvane-server --help'.\n");
}

TEST(CommandLine, AnUnknownOptionIsRefusedOnceQtHasTakenItsOwn) {
    // Qt's own options pass; the one it does not know either is refused before any window.
    Output refusal = runCommand("QT_QPA_PLATFORM=offscreen " + std::string(KORVANE_SERVER) +
                                " -style fusion --bogus 2>&1 >/dev/null");
    EXPECT_EQ(refusal.status, 2);
    EXPECT_NE(refusal.text.find(
                  "korvane-server: Unknown option 'bogus'.\nTry 'korvane-server --help'.\n"),
              std::string::npos)
        << refusal.text;
}

}  // namespace
}  // namespace korvane
