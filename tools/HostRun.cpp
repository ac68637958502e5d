#include "tools/HostRun.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "core/AppCore.h"
#include "core/FaultReporting.h"
#include "core/LocalAddresses.h"
#include "core/QrMatrix.h"
#include "desktop/DesktopFactory.h"
#include "platform/AppPaths.h"
#include "platform/ConsoleText.h"
#include "platform/FreedMemory.h"
#include "platform/ProgramFile.h"
#include "platform/ProgramVersion.h"
#include "platform/SingleInstance.h"
#include "platform/UnhandledException.h"
#include "tools/ConsoleWindow.h"
#include "tools/InlineUiThread.h"
#include "tools/QrBlocks.h"
#include "tools/RefusingPrompt.h"

namespace {

constexpr char kUsage[] = R"(Usage: korvane-host [options]
Listens for the KORVANE phone app as korvane-server does, without a window: barcodes are typed
into the window that has the keyboard focus, captures are taken around its caret. Each log line
is written to standard output. Runs until listening fails or the program is ended.
Only phones approved in the settings file may type or capture (unless its [Setting]
DeviceApproval=0): with no window to ask in, any other phone is refused and logged, unless it
scans the code of --approval-code. The settings' [Options] (typed keys or the automatic method,
key delay, duplicate window, scan history) apply as in the window program.
Options:
  --address ADDRESS  IPv4 address of this PC to listen on (default: the settings' IpAddress, else
                     the first address the window program offers)
  --port PORT        port to listen on (default: the settings' PortNo, else 65001)
  --capture FILE     where captures are written (default: korvane-host.png beside the program,
                     or korvane-server.png in the user's folders when that cannot be written)
  --settings FILE    the settings file whose approved devices may type (default: the window
                     program's, korvane-server.ini beside it or in the user's folders)
  --approval-code    once listening has begun, print a one-time approval code as a QR code
                     drawn with block characters (for a terminal with light text on a dark
                     background) and as text: the first phone to scan it within two minutes is
                     approved for good (kept in the settings file); the code is never typed
  --help             show this text
  --version          show the version
Exit status: 1 when listening could not start or failed, another copy already runs in this
session, or no lock could be made to tell; 2 for bad arguments.
)";

// The command line; what it leaves out comes from the settings file.
struct Options {
    std::string address;
    std::string port;
    std::string captureFile;
    std::filesystem::path settingsFile;
    bool approvalCode = false;
};

[[noreturn]] void usageError(const std::string& text) {
    std::cerr << "korvane-host: " << text << "\nTry 'korvane-host --help'.\n";
    std::exit(2);
}

Options parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                usageError(arg + " needs a value");
            }
            return argv[++i];
        };
        if (arg == "--help") {
            std::cout << kUsage;
            std::exit(0);
        } else if (arg == "--version") {
            std::cout << korvane::versionLine("korvane-host");
            std::exit(0);
        } else if (arg == "--address") {
            options.address = value();
        } else if (arg == "--port") {
            const std::string text = value();
            char* end = nullptr;
            const long port = std::strtol(text.c_str(), &end, 10);
            if (text.empty() || *end != '\0' || port < 1 || port > 65535) {
                usageError("--port needs a number from 1 to 65535, not '" + text + "'");
            }
            options.port = text;
        } else if (arg == "--capture") {
            options.captureFile = value();
        } else if (arg == "--settings") {
            options.settingsFile = std::filesystem::u8path(value());
        } else if (arg == "--approval-code") {
            options.approvalCode = true;
        } else {
            usageError("unknown option '" + arg + "'");
        }
    }
    return options;
}

// UTF-8 on every platform (a path's string() is the ANSI code page on Windows).
std::string utf8Of(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string defaultCaptureFile() {
    const std::filesystem::path program = korvane::programFile();
    if (program.empty()) {
        return utf8Of(std::filesystem::temp_directory_path() / "korvane-host.png");
    }
    return utf8Of(korvane::captureFilePath(program));
}

// The window program's settings: korvane-server sits in the same folder as this program.
korvane::SettingsPlace defaultSettings() {
    return korvane::placeProgramSettings(korvane::programFile().parent_path() / "korvane-server");
}

// The window program's choice when nothing was chosen yet: the first address of its list, the
// one of the interface with the default route.
std::string firstOfferedAddress() {
    std::vector<korvane::LocalAddress> addresses;
    korvane::readLocalAddresses(addresses);
    return addresses.empty() ? std::string() : addresses.front().address;
}

// The line on standard error when listening did not start; the server's own text as it is.
std::string refusalLine(const korvane::StartRefusal& refusal, const std::string& settingsFile) {
    using Reason = korvane::StartRefusal::Reason;
    switch (refusal.reason) {
        case Reason::NoAddress:
            return "korvane-host: no IPv4 address to listen on: give --address, or IpAddress in " +
                   settingsFile;
        case Reason::PortNotInteger:
            return "korvane-host: PortNo=" + refusal.detail + " in " + settingsFile +
                   " is not a port number";
        case Reason::ServerRefused:
            break;
    }
    return refusal.detail;
}

// Fault reports beside the settings: those an earlier run's fatal fault left are told on standard
// error once, and an exception nothing handled from now on is written down and told there too.
void startFaultReports(korvane::FaultReporting& faults) {
    faults.start();
    for (const korvane::FaultReport& report : faults.takeEarlierReports()) {
        std::cerr << "前回の実行で異常終了したときの報告があります: " << utf8Of(report.file)
                  << std::endl;
    }
    korvane::setUnhandledExceptionSink([&faults](const std::string& what) {
        const korvane::FaultReport report = faults.reportException(what);
        std::cerr << "予期しないエラーが発生しました: " << what << "\n"
                  << (report.file.empty() ? "報告を保存できませんでした。"
                                          : "報告の保存先: " + utf8Of(report.file))
                  << std::endl;
    });
}

// Takes the sink away when the run ends, after the server's threads and before the reports.
struct ForgetSinkAtEnd {
    ~ForgetSinkAtEnd() { korvane::setUnhandledExceptionSink({}); }
};

// Issues the approval code and writes it between the log's lines: its text, then its QR code.
void showApprovalCode(korvane::ConsoleWindow& window, korvane::ApprovalCode& codes) {
    const std::optional<std::string> code = codes.issue();
    if (!code) {
        std::cerr << "korvane-host: no approval code: the system gave no random bytes" << std::endl;
        return;
    }
    const auto minutes =
        std::chrono::duration_cast<std::chrono::minutes>(korvane::ApprovalCode::kLifetime).count();
    window.writeOwnText("承認コード: " + *code + " (" + std::to_string(minutes) +
                        " 分間有効。承認する端末で、次の QR コードを読み取ってください)\n" +
                        korvane::qrBlockText(korvane::encodeQr(*code)));
}

}  // namespace

namespace korvane {

int runHost(int argc, char** argv, const std::function<void()>& afterStart) {
    keepFreedMemory();
    useUtf8Console();
    Options options = parse(argc, argv);
    SingleInstance instance("ZRQ_KORVANE");
    if (instance.state() == SingleInstance::Result::AlreadyRunning) {
        std::cerr << "既に起動されています。ご確認ください。" << std::endl;
        return 1;
    }
    // Unlocked, a second copy would listen beside this one.
    if (instance.state() == SingleInstance::Result::Unavailable) {
        std::cerr << "二重起動を防ぐためのロック " << instance.lockPath()
                  << " を作成できないため、起動できません。ご確認ください。" << std::endl;
        return 1;
    }
    const SettingsPlace place =
        options.settingsFile.empty() ? defaultSettings() : SettingsPlace{options.settingsFile, {}};
    const std::filesystem::path& settingsFile = place.file;
    FaultReporting faults(settingsFile, "korvane-host");
    startFaultReports(faults);
    const ForgetSinkAtEnd forgetSink;
    // Where to listen is settled before the desktop is made: a wrong setting ends the program
    // before the desktop's threads start.
    const AppSettings settings = readSettings(settingsFile);
    std::string address = options.address.empty() ? settings.ipAddress : options.address;
    if (address.empty()) {
        address = firstOfferedAddress();
    }
    const std::string port = options.port.empty() ? settings.portNo : options.port;
    if (auto refusal = AppCore::checkStart(address, port)) {
        std::cerr << refusalLine(*refusal, utf8Of(settingsFile)) << std::endl;
        return 1;
    }
    ConsoleWindow window(std::cout, std::cerr);
    const DesktopChoice choice = detectDesktop();
    std::unique_ptr<Desktop> desktop = makeDesktop(choice);
    if (!choice.notice.empty()) {
        std::cerr << choice.notice << std::endl;
    }
    RefusingPrompt prompt(window);
    InlineUiThread uiThread;
    // The core keeps an approved phone's new address in the settings file at once, on the
    // server thread that saw it (InlineUiThread).
    AppCore core(CorePorts{*desktop, window, window, window, prompt, uiThread}, settingsFile,
                 options.captureFile.empty() ? defaultCaptureFile() : options.captureFile);
    prompt.attach(core.approval());
    core.announceSettingsPlace(place);
    if (auto failure = core.watchAddresses(window, readLocalAddresses)) {
        std::cerr << "korvane-host: the addresses are not watched: " << *failure << std::endl;
    }
    if (auto refusal = core.start(address, port)) {
        std::cerr << refusalLine(*refusal, utf8Of(settingsFile)) << std::endl;
        return 1;
    }
    if (options.approvalCode) {
        showApprovalCode(window, core.approvalCode());
    }
    if (afterStart) {
        afterStart();
    }
    window.waitUntilStopped();
    return 1;
}

}  // namespace korvane
