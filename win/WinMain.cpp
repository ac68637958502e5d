// korvane-server.exe: the Windows program, the main window over the application core.
#include <windows.h>

#include <commctrl.h>

#include <filesystem>
#include <memory>
#include <string>

#include "core/LanguageChoice.h"
#include "core/Settings.h"
#include "core/SettingsPlace.h"
#include "desktop/DesktopFactory.h"
#include "platform/AppPaths.h"
#include "platform/FreedMemory.h"
#include "platform/ProgramFile.h"
#include "platform/SingleInstance.h"
#include "win/MainFrame.h"
#include "win/SessionLanguages.h"
#include "win/SplashScreen.h"
#include "win/Translator.h"
#include "win/WinDialogs.h"
#include "win/WindowTexts.h"

using namespace korvane;

namespace {

// UTF-8 on every platform (a path's string() is the ANSI code page on Windows).
std::string utf8Of(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// Runs the message loop until the main window has closed; Tab moves between its controls.
void runMessageLoop(const MainFrame& frame) {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (frame.window() != nullptr && IsDialogMessageW(frame.window(), &message)) {
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    keepFreedMemory();
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                        ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    SingleInstance single("ZRQ_KORVANE");
    const std::filesystem::path program = programFile();
    const SettingsPlace settings = placeProgramSettings(program);
    const Translator texts(
        chooseLanguage(readSettings(settings.file).language, sessionLanguages()));
    WinDialogs dialogs("KORVANE Server");
    if (single.state() == SingleInstance::Result::AlreadyRunning) {
        dialogs.showError(texts.text(wintext::kContext, wintext::kAlreadyRunning));
        return 0;
    }
    // Unlocked, a second copy would listen beside this one.
    if (single.state() == SingleInstance::Result::Unavailable) {
        dialogs.showError(withArgument(texts.text(wintext::kContext, wintext::kLockUnavailable),
                                       single.lockPath()));
        return 1;
    }
    const DesktopChoice choice = detectDesktop();
    const std::unique_ptr<Desktop> desktop = makeDesktop(choice);
    MainFrame frame(FrameParts{instance, *desktop, dialogs, texts}, settings.file,
                    utf8Of(captureFilePath(program)));
    frame.announceDesktop(choice);
    frame.announceSettingsPlace(settings);
    SplashScreen splash(instance, [&frame] { frame.show(); });
    runMessageLoop(frame);
    return 0;
}
