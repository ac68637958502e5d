#pragma once

#include <QApplication>
#include <deque>
#include <string>
#include <vector>

#include "app/AppDialogs.h"
#include "desktop/Desktop.h"

namespace korvane::test {

// The one application object of a widget test program, on Qt's offscreen platform.
inline QApplication& App() {
    static int argc = 1;
    static char name[] = "korvane-app-test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    return *app;
}

// Message boxes that record what they were asked and answer from a script.
class FakeDialogs : public IAppDialogs {
  public:
    void ShowError(const std::string& pText) override { Shown.push_back("error:" + pText); }
    void ShowWarning(const std::string& pText) override { Shown.push_back("warning:" + pText); }
    bool Confirm(const std::string& pText) override {
        Shown.push_back("confirm:" + pText);
        bool answer = Answers.empty() ? true : Answers.front();
        if (!Answers.empty()) {
            Answers.pop_front();
        }
        return answer;
    }

    std::vector<std::string> Shown;
    std::deque<bool> Answers;
};

// A desktop with no focused window; the window tests send no desktop commands.
class NoDesktop : public TDesktop {
  public:
    WindowHandle mdlGetFocusWindow(std::string& pstrError, std::int32_t&, std::int32_t&) override {
        pstrError = "no desktop";
        return 0;
    }
    bool mdlSendBarcode(WindowHandle, const std::string&, std::string&) override { return false; }
    bool mdlSendSuffix(WindowHandle, const std::string&, std::string&) override { return false; }
    bool mdlSendPrefix(WindowHandle, const std::string&, std::string&) override { return false; }
    bool mdlCaptureScreen(WindowHandle, const std::string&, std::int32_t, std::int32_t,
                          std::int32_t, std::string&) override {
        return false;
    }
    bool mdlCaptureScreen2(WindowHandle, const std::string&, std::int32_t, std::int32_t,
                           std::int32_t, std::int32_t, std::int32_t, std::string&) override {
        return false;
    }
};

}  // namespace korvane::test
