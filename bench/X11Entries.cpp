// GTK entries on the X server of DISPLAY, for the typing rows.
#include <chrono>
#include <cstdio>
#include <optional>
#include <thread>

#include "bench/EntrySession.h"
#include "desktop/x11/X11Desktop.h"
#include "tests/desktop/ChildProcess.h"

namespace korvane::bench {
namespace {

using test::ChildProcess;

class X11Entries : public EntrySession {
  public:
    std::string name() const override { return "X11"; }

    WindowHandle startEntry() override {
        const std::string title = "korvane-bench-typing-" + std::to_string(++mEntries);
        mZenity.reset();
        mZenity.emplace(
            std::vector<std::string>{"stdbuf", "-oL", "zenity", "--entry", "--title=" + title},
            std::vector<std::string>{"GDK_BACKEND=x11"});
        ChildProcess focus({"sh", "-c",
                            "w=$(xdotool search --sync --name '^" + title +
                                "$' | head -n 1) && xdotool windowactivate --sync \"$w\" "
                                "2>/dev/null; xdotool windowfocus --sync \"$w\" && echo ok"});
        if (focus.readLine(15000) != "ok") {
            return 0;
        }
        // As a user takes before scanning: the toolkit settles.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        const DesktopResult<FocusedWindow> focused = mDesktop.focusedWindow();
        return focused ? focused->window : 0;
    }

    Desktop& desktop() override { return mDesktop; }
    std::string result() override { return mZenity->readLine(20000); }

  private:
    X11Desktop mDesktop;
    std::optional<ChildProcess> mZenity;
    int mEntries = 0;
};

}  // namespace

std::unique_ptr<EntrySession> x11Entries() {
    return std::make_unique<X11Entries>();
}

}  // namespace korvane::bench
