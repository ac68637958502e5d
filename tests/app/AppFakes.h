#pragma once

#include <QApplication>
#include <deque>
#include <string>
#include <vector>

#include "core/AppDialogs.h"
#include "desktop/Desktop.h"

namespace korvane::test {

// The one application object of a widget test program, on Qt's offscreen platform.
inline QApplication& app() {
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
class FakeDialogs : public AppDialogs {
  public:
    void showError(const std::string& text) override { shown.push_back("error:" + text); }
    void showWarning(const std::string& text) override { shown.push_back("warning:" + text); }
    bool confirm(const std::string& text) override {
        shown.push_back("confirm:" + text);
        bool answer = answers.empty() ? true : answers.front();
        if (!answers.empty()) {
            answers.pop_front();
        }
        return answer;
    }

    std::vector<std::string> shown;
    std::deque<bool> answers;
};

// A desktop with no focused window; the window tests send no desktop commands.
class NoDesktop : public Desktop {
  public:
    bool sessionLocked() override { return false; }
    DesktopResult<FocusedWindow> focusedWindow() override { return failure(); }
    DesktopError pasteText(WindowHandle, const std::string&) override { return failure(); }
    DesktopError pasteTextRestoringClipboard(WindowHandle, const std::string&) override {
        return failure();
    }
    DesktopError typeText(WindowHandle, const std::string&, std::chrono::milliseconds) override {
        return failure();
    }
    DesktopError pressSuffixKey(WindowHandle, const std::string&) override { return failure(); }
    DesktopError pressPrefixKey(WindowHandle, const std::string&) override { return failure(); }
    DesktopError capture(WindowHandle, Point, const CaptureShape&, std::int32_t,
                         std::chrono::steady_clock::time_point, const std::string&) override {
        return failure();
    }

  private:
    static DesktopError failure() {
        return DesktopError(DesktopError::Kind::NoFocus, "no desktop");
    }
};

}  // namespace korvane::test
