// GTK entries in a headless sway of the bench's own, for the typing rows.
#include <chrono>
#include <cstdio>
#include <optional>
#include <thread>

#include "bench/EntrySession.h"
#include "desktop/wayland/WlrootsDesktop.h"
#include "tests/desktop/ChildProcess.h"
#include "tests/desktop/SwaySession.h"

namespace korvane::bench {
namespace {

using test::ChildProcess;
using test::SwaySession;

class SwayEntries : public EntrySession {
  public:
    SwayEntries() { mSway.enter(); }

    bool ok() const { return mSway.ok(); }
    std::string failure() const { return mSway.failure(); }
    std::string name() const override { return "sway"; }

    WindowHandle startEntry() override {
        mZenity.reset();
        mZenity.emplace(std::vector<std::string>{"stdbuf", "-oL", "zenity", "--entry"},
                        mSway.clientEnvironment());
        if (!mSway.waitForFocus("zenity")) {
            return 0;
        }
        // Made once the first entry has the focus: a new virtual keyboard is then news to a
        // running client, as in a real session. Its wait before its first key, counted from its
        // first use, is over before the first run.
        const bool made = !mDesktop;
        if (made) {
            mDesktop.emplace("", std::vector<std::string>{"korvane-none"});
        }
        DesktopResult<FocusedWindow> focused = mDesktop->focusedWindow();
        // As a user takes before scanning: the toolkit settles.
        std::this_thread::sleep_for(std::chrono::milliseconds(made ? 600 : 300));
        return focused ? focused->window : 0;
    }

    Desktop& desktop() override { return *mDesktop; }
    std::string result() override { return mZenity->readLine(20000); }

  private:
    SwaySession mSway;
    std::optional<WlrootsDesktop> mDesktop;
    std::optional<ChildProcess> mZenity;
};

}  // namespace

std::unique_ptr<EntrySession> swayEntries() {
    if (SwaySession::findSway().empty()) {
        std::fprintf(stderr, "no sway on PATH: the Wayland rows are left out\n");
        return nullptr;
    }
    auto session = std::make_unique<SwayEntries>();
    if (!session->ok()) {
        std::fprintf(stderr, "sway did not start (%s): the Wayland rows are left out\n",
                     session->failure().c_str());
        return nullptr;
    }
    return session;
}

}  // namespace korvane::bench
