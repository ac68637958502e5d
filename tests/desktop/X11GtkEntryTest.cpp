// A GTK entry on X11 (zenity, a program this project did not write) takes what the X11 desktop
// pastes and types, and the Enter after it finds the text there: zenity prints the entry's text
// when Enter closes it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "desktop/x11/X11Desktop.h"
#include "tests/desktop/ChildProcess.h"
#include "tests/desktop/KanjiText.h"

namespace korvane {
namespace {

using test::ChildProcess;

// Starts a zenity entry under X11 and gives it the keyboard focus (there is no window manager).
class GtkEntry {
  public:
    explicit GtkEntry(const std::string& title)
        : mZenity({"zenity", "--entry", "--title=" + title}, {"GDK_BACKEND=x11"}) {
        ChildProcess focus({"sh", "-c",
                            "w=$(xdotool search --sync --name '^" + title +
                                "$' | head -n 1) && xdotool windowfocus --sync \"$w\" && echo ok"});
        mFocused = focus.readLine(15000) == "ok";
    }
    bool focused() const { return mFocused; }
    // What zenity printed when Enter closed it.
    std::string result() { return mZenity.readLine(10000); }

  private:
    ChildProcess mZenity;
    bool mFocused = false;
};

TEST(X11GtkEntry, PastedAndTypedTextArriveWholeBeforeTheEnter) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "needs an X server: run scripts/test";
    const std::string text = "ABC-123 é漢字𠮷";
    for (bool typed : {false, true}) {
        SCOPED_TRACE(typed ? "typed keys" : "paste");
        GtkEntry entry(typed ? "korvane-typed" : "korvane-pasted");
        ASSERT_TRUE(entry.focused()) << "zenity did not come up";
        X11Desktop desktop;
        const DesktopResult<FocusedWindow> focused = desktop.focusedWindow();
        ASSERT_TRUE(focused) << focused.error().message();
        const DesktopError error =
            typed ? desktop.typeText(focused->window, text, std::chrono::milliseconds(0))
                  : desktop.pasteText(focused->window, text);
        ASSERT_FALSE(error) << error.message();
        ASSERT_FALSE(desktop.pressSuffixKey(focused->window, "1"));
        EXPECT_EQ(entry.result(), text);
    }
}

// Barcodes of many different kanji typed one after the other into one entry: the spare keys are
// given new characters within a text and from one text to the next, and a client that read a key
// with a mapping made for later keys would show another kanji. Every character must arrive.
TEST(X11GtkEntry, ManyDifferentKanjiArriveExactlyTextAfterText) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "needs an X server: run scripts/test";
    const std::string texts[] = {
        test::differentKanji(0x4E00, 300, 7),
        test::differentKanji(0x5800, 100),
        test::differentKanji(0x6000, 100),
    };
    GtkEntry entry("korvane-many-kanji");
    ASSERT_TRUE(entry.focused()) << "zenity did not come up";
    X11Desktop desktop;
    const DesktopResult<FocusedWindow> focused = desktop.focusedWindow();
    ASSERT_TRUE(focused) << focused.error().message();
    std::string all;
    for (const std::string& text : texts) {
        const DesktopError error =
            desktop.typeText(focused->window, text, std::chrono::milliseconds(0));
        ASSERT_FALSE(error) << error.message();
        all += text;
    }
    ASSERT_FALSE(desktop.pressSuffixKey(focused->window, "1"));
    EXPECT_EQ(entry.result(), all);
}

}  // namespace
}  // namespace korvane
